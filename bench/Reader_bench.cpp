// The delimited text reader on a file of 1 000 000 lines: cutting it into lines and parsing
// every line into its fields, beside a memchr scan for the line ends over the same bytes in
// the same run; also the whole read into new entries, beside making the entries alone
// (their records and strings from fields already cut). It prints the least time of a few
// runs and the ratios; the goal is parsing at most 5x the memchr scan, but nothing here
// fails on timing.
//
//   tobrix_reader_bench [lines]      (default 1000000)

#include "common/Cp932.h"
#include "store/ItemDataList.h"
#include "transfer/Dlg.h"
#include "BestMs.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace tobrix;

using tobrix::bench::BestMs;

namespace {

// A fixed sequence on every compiler and library.
std::uint32_t Next(std::uint32_t& seed) { return seed = seed * 1664525u + 1013904223u; }

// Lines as an export from another program would have them: a quoted title, half of them
// Japanese (katakana and kanji, some with a second byte that equals a delimiter's byte), a
// user ID, a password, a memo and an address, comma-separated, CR LF after each.
std::string MakeFile(std::size_t lines) {
    static const char* const kJapanese[] = {
        "\x83\x5e\x83\x43\x83\x67\x83\x8b", // タイトル
        "\x8b\xe2\x8d\x73",                 // 銀行
        "\x83\x81\x81\x5b\x83\x8b",         // メール
        "\x95\x5c\x8e\xa6",                 // 表示 (0x5C second byte)
    };
    static const char* const kAscii[] = {"Example Bank", "Mail", "Shop", "Cloud Drive", "Forum"};
    std::uint32_t seed = 2024;
    std::string text;
    text.reserve(lines * 80);
    for (std::size_t i = 0; i < lines; ++i) {
        text += '"';
        text += Next(seed) % 2 ? kJapanese[Next(seed) % 4] : kAscii[Next(seed) % 5];
        text += std::to_string(i);
        text += "\",user";
        text += std::to_string(Next(seed) % 100000);
        text += "@example.jp,pw";
        text += std::to_string(Next(seed) % 1000000);
        text += "!x,";
        if (Next(seed) % 3 == 0)
            text += kJapanese[Next(seed) % 4];
        text += ",https://www.example";
        text += std::to_string(Next(seed) % 1000);
        text += ".jp/login\r\n";
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t lines = argc > 1 ? static_cast<std::size_t>(std::strtoul(argv[1], nullptr, 10)) : 1000000;
    const std::string text = MakeFile(lines);
    constexpr int kRuns = 5;

    const LineParser parser({"", ",", "", "", ""}, "\"", false, true);

    std::size_t found = 0;
    const double scan = BestMs(kRuns, [&] {
        std::size_t n = 0;
        const char* p = text.data();
        const char* const end = p + text.size();
        while (const void* hit = std::memchr(p, '\n', static_cast<std::size_t>(end - p))) {
            ++n;
            p = static_cast<const char*>(hit) + 1;
        }
        found = n;
    });

    // The parsing proper: every line cut into its fields, into one entry used again and again.
    std::size_t parsed = 0;
    const double parse = BestMs(kRuns, [&] {
        TVirtualItem item;
        std::size_t n = CountLines(text) == lines ? 0 : 1; // the reader counts them first
        LineReader reader(text);
        std::string_view line;
        while (reader.Next(line)) {
            parser.Parse(line, item);
            n += item.URL.size() != 0;
        }
        parsed = n;
    });

    // What the reader does: a new entry for every line.
    std::size_t entries = 0;
    const double read = BestMs(kRuns, [&] {
        ItemDataList list;
        list.Reserve(CountLines(text));
        LineReader reader(text);
        std::string_view line;
        while (reader.Next(line))
            if (!line.empty())
                parser.Parse(line, list.AppendNew());
        entries = static_cast<std::size_t>(list.Count());
    });

    // The entries alone, from fields cut beforehand: no read can be much faster than this.
    std::vector<std::array<std::string_view, 5>> fields;
    for (std::string_view line : SplitLines(text)) {
        std::array<std::string_view, 5> f{};
        std::size_t k = 0, start = 0;
        for (std::size_t i = 0; i <= line.size() && k < 5; ++i)
            if (i == line.size() || line[i] == ',') {
                f[k++] = line.substr(start, i - start);
                start = i + 1;
            }
        fields.push_back(f);
    }
    const double records = BestMs(kRuns, [&] {
        ItemDataList list;
        list.Reserve(fields.size());
        for (const auto& f : fields) {
            TVirtualItem& item = list.AppendNew();
            item.Title = f[0];
            item.UserID = f[1];
            item.Password = f[2];
            item.MaskedPassword.assign(f[2].size(), '*');
            item.Memo = f[3];
            item.URL = f[4];
        }
    });

    if (entries != lines || found != lines || parsed != lines) {
        std::fprintf(stderr, "wrong count: %zu entries, %zu line ends for %zu lines\n", entries, found, lines);
        return 1;
    }
    std::printf("lines                                   %zu (%zu bytes)\n", lines, text.size());
    std::printf("memchr scan for the line ends           %.1f ms\n", scan);
    std::printf("count, split, parse; one entry reused   %.1f ms\n", parse);
    std::printf("count, split, parse into new entries    %.1f ms\n", read);
    std::printf("making the entries alone                %.1f ms\n", records);
    std::printf("parse / memchr scan                     %.2f   (goal: at most 5)\n", parse / scan);
    std::printf("parse into new entries / memchr scan    %.2f\n", read / scan);
    std::printf("parse into new entries / entries alone  %.2f\n", read / records);
    return 0;
}
