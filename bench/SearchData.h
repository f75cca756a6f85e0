#pragma once
// Entries as a person keeps them, for the search benchmarks: titles, user IDs, memos and
// addresses of usual lengths, a third of them Japanese.

#include "store/ItemDataList.h"

#include <cstdint>
#include <string>

namespace tobrix::bench {

inline void FillSearchEntries(std::size_t count, ItemDataList& items) {
    static const char* const kJapanese[] = {
        "\x8b\xe2\x8d\x73",                         // 銀行
        "\x83\x81\x81\x5b\x83\x8b",                 // メール
        "\x83\x56\x83\x87\x83\x62\x83\x73\x83\x93\x83\x4f", // ショッピング
        "\x8f\xd8\x8c\x94",                         // 証券
        "\x82\xa8\x8b\xe0",                         // お金
        "\x83\x7c\x83\x43\x83\x93\x83\x67",         // ポイント
        "\x89\xef\x88\xf5",                         // 会員
        "\x83\x4e\x83\x8c\x83\x57\x83\x62\x83\x67", // クレジット
    };
    static const char* const kLatin[] = {"Amazon", "bank", "Mail", "shop", "Ticket", "news", "travel", "Cloud"};
    std::uint32_t seed = 2024;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    auto pick = [&](const char* const(&words)[8]) { return std::string(words[(next() >> 8) % 8]); };
    items.Reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        TVirtualItem& item = items.AppendNew();
        const bool japanese = i % 3 == 0;
        item.Title = japanese ? pick(kJapanese) + pick(kJapanese) : pick(kLatin) + " " + pick(kLatin);
        item.Title += std::to_string(i % 97);
        item.UserID = "user" + std::to_string(next() % 100000) + "@example.jp";
        item.Password = "pw" + std::to_string(next());
        item.MaskedPassword = item.Password;
        if (next() % 2 == 0)
            item.Memo = japanese ? pick(kJapanese) + "\x82\xcc\x83\x81\x83\x82" + pick(kJapanese) // のメモ
                                 : "card ending " + std::to_string(next() % 10000);
        item.URL = "https://www." + pick(kLatin) + std::to_string(next() % 1000) + ".example.jp/login";
    }
}

} // namespace tobrix::bench
