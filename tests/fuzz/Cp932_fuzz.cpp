// Input: one byte to search for, then a text. Compares FindChar with a walk over the
// characters and LineReader with a byte-by-byte splitter; aborts on any difference.

#include "Reference.h"

#include "common/Cp932.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace {

using namespace tobrix;
using namespace tobrix::fuzz;

void CheckFindChar(std::string_view text, char c) {
    std::vector<std::size_t> starts; // every character start, as the walk sees them
    for (std::size_t i = 0; i < text.size(); i += RefIsLead(text[i]) && i + 1 < text.size() ? 2 : 1)
        starts.push_back(i);
    starts.push_back(text.size()); // searching from the end finds nothing
    // Searching from every start costs the square of the length; long inputs get a spread
    // of starts, from the first one on.
    const std::size_t step = starts.size() <= 256 ? 1 : starts.size() / 128;
    for (std::size_t k = 0; k < starts.size(); k += step) {
        const std::size_t from = starts[k];
        Check(FindChar(text, c, from) == RefFindChar(text, c, from), "FindChar agrees with the character walk");
    }
    Check(FindChar(text, c, starts.back()) == std::string_view::npos, "nothing found from the end");
}

void CheckLines(std::string_view text) {
    const std::vector<RefLine> expected = RefLines(text);
    LineReader reader(text);
    std::string_view line;
    std::size_t n = 0;
    while (reader.Next(line)) {
        Check(n < expected.size(), "no more lines than the splitter");
        Check(line == expected[n].text, "the same line as the splitter");
        Check(line.data() == expected[n].text.data(), "the line is a view into the text at the same place");
        Check(reader.Position() == expected[n].next, "the line end consumed as the splitter does");
        ++n;
    }
    Check(n == expected.size(), "as many lines as the splitter");
    Check(!reader.Next(line), "a finished reader stays finished");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const char c = static_cast<char>(data[0]);
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    CheckFindChar(text, c);
    CheckLines(text);
    return 0;
}
