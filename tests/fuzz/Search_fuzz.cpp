// Input: a word (its length in the first byte, modulo 16), then entries, one per line, their
// title, user ID, memo and address apart by 0x01. Compares the search's scan of the folded
// fields with a plain find in each field; aborts on any difference.

#include "Reference.h"

#include "app/MainSearch.h"
#include "store/ItemDataList.h"
#include "support/FakePlatform.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace tobrix;
using namespace tobrix::fuzz;

std::vector<std::string> Split(std::string_view text, char at) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t pos; (pos = text.find(at, from)) != std::string_view::npos; from = pos + 1)
        parts.emplace_back(text.substr(from, pos - from));
    parts.emplace_back(text.substr(from));
    return parts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t length = data[0] % 16;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::string word(rest.substr(0, length));
    ItemDataList items;
    for (const std::string& line : Split(rest.substr(std::min(length, rest.size())), '\n')) {
        std::vector<std::string> fields = Split(line, '\x01');
        fields.resize(4);
        TVirtualItem& item = items.AppendNew();
        item.Title = fields[0];
        item.UserID = fields[1];
        item.Memo = fields[2];
        item.URL = fields[3];
        item.Password = word; // never searched
    }
    const test::ByteCollation fold;
    SearchIndex index;
    index.Build(items, fold);
    Check(index.Holds(items.Count()), "the index stands for every entry");
    const std::string folded = fold.SearchFold(word);
    std::vector<int> expected;
    for (int i = 0; i < items.Count(); ++i) {
        const TVirtualItem& item = items.At(i);
        bool found = folded.empty();
        for (const std::string* field : {&item.Title, &item.UserID, &item.Memo, &item.URL}) {
            // As the index takes a field: a NUL inside it and a lead byte alone at its end
            // become spaces.
            std::string one = *field;
            for (char& c : one)
                c = c == '\0' ? ' ' : c;
            std::size_t last = 0;
            for (std::size_t pos = 0; pos < one.size(); pos += RefIsLead(one[pos]) && pos + 1 < one.size() ? 2 : 1)
                last = pos;
            if (!one.empty() && last == one.size() - 1 && RefIsLead(one[last]))
                one.back() = ' ';
            found = found || fold.SearchFold(one).find(folded) != std::string::npos;
        }
        if (found)
            expected.push_back(i);
    }
    Check(index.Find({folded}) == expected, "the scan finds what a find in each field finds");
    return 0;
}
