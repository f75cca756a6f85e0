// The password report over 100 000 entries against a plain pass over the same passwords
// (each read and hashed once, nothing kept): what the report adds to the one pass it must
// make. It prints the least time of a few runs and the ratio; nothing here fails on timing.
//
//   tobrix_password_audit_bench [entries]      (default 100000)

#include "BestMs.h"
#include "app/PasswordAudit.h"
#include "store/ItemDataList.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>

using namespace tobrix;
using tobrix::bench::BestMs;

namespace {

std::uint32_t Next(std::uint32_t& seed) { return seed = seed * 1664525u + 1013904223u; }

// Passwords of 6 to 20 characters, one in twenty the same as an earlier one, a few empty.
void Fill(ItemDataList& items, std::size_t entries) {
    std::uint32_t seed = 28;
    items.Reserve(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        TVirtualItem& item = items.AppendNew();
        item.Title = "Site " + std::to_string(i);
        item.UserID = "user" + std::to_string(Next(seed) % 5000);
        const std::uint32_t pick = Next(seed) % 100;
        if (pick < 2)
            continue; // empty
        if (pick < 7 && i > 0) {
            item.Password = items.At(static_cast<int>(Next(seed) % i)).Password;
            continue;
        }
        const std::size_t length = 6 + Next(seed) % 15;
        for (std::size_t k = 0; k < length; ++k)
            item.Password += static_cast<char>('!' + (Next(seed) >> 8) % 94);
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t entries = argc > 1 ? static_cast<std::size_t>(std::strtoul(argv[1], nullptr, 10)) : 100000;
    ItemDataList items;
    Fill(items, entries);
    constexpr int kRuns = 7;

    std::size_t sum = 0;
    const double plain = BestMs(kRuns, [&] {
        const std::hash<std::string_view> hash;
        for (int i = 0; i < items.Count(); ++i)
            sum += hash(items.At(i).Password);
    });
    std::size_t rows = 0;
    const double audit = BestMs(kRuns, [&] { rows = AuditPasswords(items).size(); });

    std::printf("%zu entries (checksum %zu)\n", entries, sum % 1000);
    std::printf("plain pass (hash of each password): %8.2f ms\n", plain);
    std::printf("password report:                    %8.2f ms (%zu rows)\n", audit, rows);
    std::printf("ratio: %.2f\n", audit / plain);
    return rows > 0 ? 0 : 1;
}
