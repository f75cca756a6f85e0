#pragma once
// The order of texts in the user's locale, as a header click sorts the list, and the folded
// form of texts that the search over the list compares.

#include <string>
#include <string_view>

namespace tobrix {

class Collation {
public:
    virtual ~Collation() = default;
    // Compares two CP932 texts in the user's locale, case-sensitively; only the sign counts.
    virtual int Compare(std::string_view a, std::string_view b) const = 0;
    // A key for the text whose byte order (unsigned) is the order of Compare, so that many
    // comparisons of the same texts cost one conversion each.
    virtual std::string SortKey(std::string_view text) const = 0;
    // The CP932 text folded for finding words in it, in the user's locale: texts that differ
    // only in case, in width (ＡＢＣ and abc, ｱｶｳﾝﾄ and アカウント) or in kana type (あかうんと)
    // fold to the same bytes. The folded form is UTF-8, so that a word found in its bytes
    // always starts and ends at a character; a NUL of the text stays a NUL of its own.
    virtual std::string SearchFold(std::string_view text) const = 0;
};

} // namespace tobrix
