#pragma once
// The order of texts in the user's locale, as a header click sorts the list.

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
};

} // namespace tobrix
