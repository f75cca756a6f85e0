// The header-click sort with the system's own locale comparison, measured under Windows (or
// Wine) against std::sort with strcmp on the same keys, in the same run. It prints the times
// and their ratio; it never fails on timing.
//
//   tobrix-sort-bench.exe [entries]      (default 100000)

#include "../BestMs.h"
#include "../NullListControl.h"
#include "app/MainList.h"
#include "app/MainState.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "win32/Win32Collation.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace tobrix;

using tobrix::bench::BestMs;

namespace {

// Titles as people write them: Japanese words, Latin names in either case, digits.
std::vector<std::string> MakeTitles(std::size_t count) {
    static const char* const kParts[] = {
        "\x83\x4f\x81\x5b\x83\x4f\x83\x8b", // グーグル
        "\x8b\xe2\x8d\x73",                 // 銀行
        "\x82\xa0\x82\xa2\x82\xa4",         // あいう
        "\x83\x81\x81\x5b\x83\x8b",         // メール
        "Yahoo", "amazon", "Bank", "mail", "shop", "Ticket", "news", "Zeta",
    };
    constexpr std::size_t kPartCount = sizeof kParts / sizeof kParts[0];
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    std::vector<std::string> titles;
    titles.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string title = kParts[next() % kPartCount];
        title += kParts[next() % kPartCount];
        title += std::to_string(next() % 100000);
        titles.push_back(std::move(title));
    }
    return titles;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::size_t count = argc > 1 ? static_cast<std::size_t>(_wtoi(argv[1])) : 100000;
    const std::vector<std::string> titles = MakeTitles(count);
    const win32::Win32Collation collation;
    constexpr int kRuns = 5;

    ItemDataList items;
    TSettings settings;
    MainState state;
    tobrix::bench::NullListControl control(0);
    tobrix::bench::NullSearchBox search;
    MainList list(control, search, items, settings, state, collation);
    auto fill = [&] {
        items.Clear();
        for (const std::string& title : titles) {
            TVirtualItem& item = items.AppendNew();
            item.Title = title;
            item.Password = "pw";
        }
        list.ResetSortOrder();
    };
    const double headerClick = BestMs(kRuns, fill, [&] { list.lsvListColumnClick(0); });
    for (int i = 1; i < items.Count(); ++i) {
        if (collation.Compare(items.At(i - 1).Title, items.At(i).Title) > 0) {
            std::fprintf(stderr, "not in order at %d\n", i);
            return 1;
        }
    }

    const double pairwise = BestMs(kRuns, fill, [&] {
        items.Sort([&](const TVirtualItem& a, const TVirtualItem& b) { return collation.Compare(a.Title, b.Title); });
    });

    std::vector<const char*> keys;
    const double strcmpSort = BestMs(
        kRuns,
        [&] {
            keys.clear();
            for (const std::string& title : titles)
                keys.push_back(title.c_str());
        },
        [&] { std::sort(keys.begin(), keys.end(), [](const char* a, const char* b) { return std::strcmp(a, b) < 0; }); });

    std::printf("entries                                   %zu\n", count);
    std::printf("header click (locale sort keys)           %.1f ms\n", headerClick);
    std::printf("quicksort comparing pairwise in the locale %.1f ms\n", pairwise);
    std::printf("std::sort with strcmp on the same keys    %.1f ms\n", strcmpSort);
    std::printf("header click / std::sort strcmp           %.2f   (goal: at most 10)\n", headerClick / strcmpSort);
    return 0;
}
