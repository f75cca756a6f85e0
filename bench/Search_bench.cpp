// The search over 100 000 entries for a two-character word against one memchr pass over the
// same bytes (the entries' titles, user IDs, memos and addresses), in the same run; and the
// memory of the folded fields against the list's own. Prints the figures, never fails on them.
//
//   tobrix_search_bench [entries]      (default 100000)

#include "BestMs.h"
#include "SearchData.h"
#include "app/MainSearch.h"
#include "common/Cp932.h"
#include "platform/Collation.h"
#include "store/ItemDataList.h"
#include "support/IconvTextCodec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace tobrix;

namespace {

// The system's folding stands in as UTF-8 with ASCII in lower case: the bytes the search
// scans have the same form and nearly the same size.
class Utf8Fold final : public Collation {
public:
    int Compare(std::string_view a, std::string_view b) const override { return a.compare(b); }
    std::string SortKey(std::string_view text) const override { return std::string(text); }
    std::string SearchFold(std::string_view text) const override {
        std::string folded = codec_.ToUtf8(text);
        for (char& c : folded)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return folded;
    }

private:
    test::IconvTextCodec codec_;
};

// What the list holds for its entries: each entry, its strings' own buffers, its pointer.
std::size_t ListBytes(const ItemDataList& items) {
    std::size_t bytes = 0;
    for (int i = 0; i < items.Count(); ++i) {
        const TVirtualItem& item = items.At(i);
        bytes += sizeof(TVirtualItem) + sizeof(void*);
        for (const std::string* s : {&item.Title, &item.UserID, &item.Password, &item.MaskedPassword, &item.Memo,
                                     &item.URL})
            if (s->capacity() > 15) // beyond the string's own small buffer
                bytes += s->capacity() + 1;
    }
    return bytes;
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t count = argc > 1 ? static_cast<std::size_t>(std::atol(argv[1])) : 100000;
    ItemDataList items;
    bench::FillSearchEntries(count, items);
    const Utf8Fold fold;
    SearchIndex index;
    const double build = bench::BestMs(1, [&] { index.Build(items, fold); });

    std::string fields; // the bytes a plain pass reads
    for (int i = 0; i < items.Count(); ++i) {
        const TVirtualItem& item = items.At(i);
        fields += item.Title + item.UserID + item.Memo + item.URL;
    }
    const std::string folded = fold.SearchFold(fields); // about the bytes the search reads
    std::size_t sink = 0;
    const auto pass = [&](const std::string& bytes) {
        return bench::BestMs(20, [&] {
            sink += std::memchr(bytes.data(), '\x01', bytes.size()) == nullptr ? 1 : 0; // not there: the whole pass
        });
    };
    const double memchrMs = pass(fields);
    const double foldedMs = pass(folded);
    std::printf("entries: %zu, searchable bytes: %zu (folded: %zu), folded in %.1f ms\n", count, fields.size(),
                folded.size(), build);
    std::printf("one memchr pass over the entries' bytes: %8.3f ms, over their folded bytes: %8.3f ms\n", memchrMs,
                foldedMs);
    const struct {
        const char* name;
        std::string word;
    } words[] = {
        {"\"\xe9\x8a\x80\xe8\xa1\x8c\" (two kanji)", "\x8b\xe2\x8d\x73"},
        {"\"\xe3\x83\x9d\xe3\x82\xa4\" (two katakana)", "\x83\x7c\x83\x43"},
        {"\"ba\" (two letters)", "BA"},
        {"\"zq\" (in no entry)", "zq"},
    };
    double worst = 0;
    for (const auto& w : words) {
        const std::vector<std::string> folded = {fold.SearchFold(w.word)};
        std::size_t found = 0;
        const double ms = bench::BestMs(20, [&] { found = index.Find(folded).size(); });
        worst = std::max(worst, ms / memchrMs);
        std::printf("search for %-28s %8.3f ms, %6zu entries, %.2f x memchr\n", w.name, ms, found, ms / memchrMs);
    }
    const std::size_t list = ListBytes(items);
    std::printf("search / memchr over the entries' bytes, the slowest word: %.2f (goal <= 4); over the folded bytes: %.2f\n",
                worst, worst * memchrMs / foldedMs);
    std::printf("folded fields: %zu bytes, the list: %zu bytes, ratio %.2f (goal: the memory at most doubled, <= 1)\n",
                index.Size(), list, static_cast<double>(index.Size()) / static_cast<double>(list));
    return sink == 0 ? 1 : 0;
}
