// An import of a delimited file under Windows (or Wine) with its progress window, measured
// against the same read without a window, in the same run: the cost of the progress bar,
// the message pump and the Cancel checks. Also with messages let through after every line,
// to show what the pump's throttling saves. It prints the times and their ratios; it never
// fails on timing.
//
//   tobrix-reader-bench.exe [lines]      (default 100000)

#include "store/ItemDataList.h"
#include "transfer/Dlg.h"
#include "win32/DlgDialog.h"
#include "win32/Win32Files.h"
#include "win32/Win32TextCodec.h"
#include "../BestMs.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

using namespace tobrix;

using tobrix::bench::BestMs;

namespace {

std::string MakeFile(int lines) {
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about string + string here.
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text.append("\"\x83\x5e\x83\x43\x83\x67\x83\x8b").append(std::to_string(i)); // タイトル
        text.append("\",user").append(std::to_string(i * 7919 % 100000));
        text.append("@example.jp,pw").append(std::to_string(i % 99991));
        text.append(",\x83\x81\x83\x82,https://www.example").append(std::to_string(i % 1000)); // メモ
        text.append(".jp/login\r\n");
    }
    return text;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const int lines = argc > 1 ? _wtoi(argv[1]) : 100000;

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring stem = L"tobrix-reader-bench-" + std::to_wstring(GetCurrentProcessId());
    const FilePath path = FilePath(temp) / (stem + L".csv");
    std::ofstream(path, std::ios::binary) << MakeFile(lines);
    // Letting messages through after every line is so slow under Wine that it is measured
    // on a hundredth of the lines.
    const int fewLines = std::max(1, lines / 100);
    const FilePath fewPath = FilePath(temp) / (stem + L"-few.csv");
    std::ofstream(fewPath, std::ios::binary) << MakeFile(fewLines);

    win32::Win32Files files;
    const win32::Win32TextCodec codec;
    const std::string name = files.DisplayName(path);
    int read = 0;
    bool ranToTheEnd = true;
    auto importWith = [&](const std::function<void(TfrmDlg&)>& run, const std::string& file) {
        ItemDataList list;
        TfrmDlg dlg(list, true, files, codec);
        dlg.FileName = file;
        dlg.CommaDelim = std::string(",");
        dlg.QuoteChar = std::string("\"");
        run(dlg);
        read = list.Count();
        ranToTheEnd = ranToTheEnd && dlg.Running;
    };
    constexpr int kRuns = 5;
    const auto alone = [](TfrmDlg& dlg) { dlg.ReadTextFile(); };
    const auto throttled = [](TfrmDlg& dlg) { win32::RunReader(nullptr, dlg); };
    const auto unthrottled = [](TfrmDlg& dlg) { win32::RunReader(nullptr, dlg, std::chrono::milliseconds(0)); };
    const double readAlone = BestMs(kRuns, [&] { importWith(alone, name); });
    const int readAloneCount = read;
    const double withWindow = BestMs(kRuns, [&] { importWith(throttled, name); });
    const int withWindowCount = read;
    const std::string fewName = files.DisplayName(fewPath);
    const double fewAlone = BestMs(kRuns, [&] { importWith(alone, fewName); });
    const double everyLine = BestMs(2, [&] { importWith(unthrottled, fewName); });
    DeleteFileW(path.c_str());
    DeleteFileW(fewPath.c_str());

    if (readAloneCount != lines || withWindowCount != lines || read != fewLines || !ranToTheEnd) {
        std::fprintf(stderr, "wrong result: %d and %d entries for %d lines\n", readAloneCount, withWindowCount, lines);
        return 1;
    }
    std::printf("lines                                         %d\n", lines);
    std::printf("read alone (no window)                        %.1f ms\n", readAlone);
    std::printf("with the progress window (pump every 15 ms)   %.1f ms\n", withWindow);
    std::printf("progress window / read alone                  %.2f   (goal: at most 1.2)\n", withWindow / readAlone);
    std::printf("%6d lines read alone                        %.1f ms\n", fewLines, fewAlone);
    std::printf("%6d lines, messages after every line        %.1f ms\n", fewLines, everyLine);
    std::printf("messages after every line / read alone        %.1f\n", everyLine / fewAlone);
    return 0;
}
