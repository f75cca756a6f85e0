// The password CSV reader against the delimited text reader on the same bytes: a browser's
// export of 100 000 entries (UTF-8 without a mark, a header line, titles half of them Japanese,
// some notes quoted over two lines), each reader taking the whole file into new entries. It
// prints the least time of a few runs and the ratio; nothing here fails on timing.
//
//   tobrix_password_csv_bench [entries]      (default 100000)

#include "BestMs.h"
#include "store/ItemDataList.h"
#include "support/FakeFiles.h"
#include "support/IconvTextCodec.h"
#include "transfer/Dlg.h"
#include "transfer/PasswordCsv.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tobrix;
using tobrix::bench::BestMs;

namespace {

std::uint32_t Next(std::uint32_t& seed) {
    return seed = seed * 1664525u + 1013904223u;
}

std::string MakeFile(std::size_t entries) {
    static const char* const kJapanese[] = {"\xE3\x82\xBF\xE3\x82\xA4\xE3\x83\x88\xE3\x83\xAB", // タイトル
                                            "\xE9\x8A\x80\xE8\xA1\x8C",                         // 銀行
                                            "\xE3\x83\xA1\xE3\x83\xBC\xE3\x83\xAB"};            // メール
    static const char* const kAscii[] = {"Example Bank", "Mail", "Shop", "Cloud Drive", "Forum"};
    std::uint32_t seed = 2024;
    std::string text = "name,url,username,password,note\n";
    text.reserve(entries * 90);
    for (std::size_t i = 0; i < entries; ++i) {
        text += Next(seed) % 2 ? kJapanese[Next(seed) % 3] : kAscii[Next(seed) % 5];
        text += std::to_string(i);
        text += ",https://www.example";
        text += std::to_string(Next(seed) % 1000);
        text += ".jp/login,user";
        text += std::to_string(Next(seed) % 100000);
        text += "@example.jp,pw";
        text += std::to_string(Next(seed) % 1000000);
        text += "!x,";
        if (Next(seed) % 4 == 0)
            text += "\"first line\nsecond, line\"";
        text += '\n';
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t entries = argc > 1 ? static_cast<std::size_t>(std::strtoul(argv[1], nullptr, 10)) : 100000;
    test::FakeFiles files;
    files.files["in.csv"] = MakeFile(entries);
    test::IconvTextCodec codec;
    constexpr int kRuns = 5;

    // The delimited text reader on a comma-separated file with double quotes; the entries it took.
    const auto readDelimited = [&](const char* name) {
        ItemDataList list;
        TfrmDlg dlg(list, true, files, codec);
        dlg.FileName = name;
        dlg.QuoteChar = "\"";
        dlg.CommaDelim = ",";
        dlg.ReadTextFile();
        return list.Count();
    };
    int existingCount = 0;
    const double existing = BestMs(kRuns, [&] { existingCount = readDelimited("in.csv"); });

    // The same with a UTF-8 mark in front, which the delimited text reader needs to convert the
    // text as the password CSV reader does: the part of the difference that is not conversion.
    files.files["bom.csv"] = "\xEF\xBB\xBF" + files.files["in.csv"];
    const double existingConverting = BestMs(kRuns, [&] { readDelimited("bom.csv"); });

    int csvCount = 0;
    const double csv = BestMs(kRuns, [&] {
        ItemDataList list, none;
        TfrmPasswordCsv reader(list, none, true, files, codec);
        reader.Path = "in.csv";
        reader.Read();
        csvCount = list.Count();
    });

    std::printf("%zu entries, %zu bytes\n", entries, files.files["in.csv"].size());
    std::printf("delimited text reader: %8.1f ms (%d entries)\n", existing, existingCount);
    std::printf("the same with a UTF-8 mark, converted: %8.1f ms\n", existingConverting);
    std::printf("password CSV reader:   %8.1f ms (%d entries)\n", csv, csvCount);
    std::printf("ratio: %.2f (against the converting read: %.2f)\n", csv / existing, csv / existingConverting);
    return csvCount == static_cast<int>(entries) ? 0 : 1;
}
