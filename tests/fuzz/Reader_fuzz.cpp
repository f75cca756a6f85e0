// Input: a byte of options (bits 0-4 the delimiters tab, comma, space, semicolon, other;
// bit 5 runs as one; bits 6-7 the quote: none, '"', '\'', the other delimiter), then the
// other delimiter (one byte, or two when the first is a lead byte), then the text. Compares
// the reader's splitter and parser with a walk that follows the rules literally, character
// by character, and checks that every entry comes back unchanged from the data file; aborts
// on any difference.

#include "Reference.h"

#include "store/DataFile.h"
#include "store/ItemDataList.h"
#include "transfer/Dlg.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using namespace tobrix;
using namespace tobrix::fuzz;

struct Options {
    Delimiters delimiters;
    std::string quote;
    bool sameAsOne;
};

int RefCode(std::string_view ch, const Delimiters& delimiters) {
    int code = 0;
    for (int k = 0; k < 5; ++k)
        if (!delimiters[k].empty() && ch == delimiters[k])
            code = k + 1;
    return code;
}

std::string RefUnquote(std::string_view field, std::string_view quote) {
    if (quote.size() == 1 && !field.empty() && field.front() == quote[0] && field.back() == quote[0])
        return field.size() == 1 ? std::string() : std::string(field.substr(1, field.size() - 2));
    if (quote.size() == 2 && field.size() >= 4 && field.substr(0, 2) == quote && field.substr(field.size() - 2) == quote)
        return std::string(field.substr(2, field.size() - 4));
    if (quote.size() == 2 && field == quote)
        return {};
    return std::string(field);
}

struct RefEntry {
    std::vector<std::string> fields;
    std::vector<std::pair<std::size_t, std::size_t>> spans; // in bytes of the line, before unquoting
    std::vector<std::size_t> doubleByte;                     // where the double-byte characters start
};

RefEntry RefParse(std::string_view line, const Options& o) {
    std::vector<std::string> chars;
    std::vector<std::size_t> starts; // of each character, and the line's end after the last
    std::vector<std::size_t> doubleByte;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t n = RefIsLead(line[i]) && i + 1 < line.size() ? 2 : 1;
        chars.emplace_back(line.substr(i, n));
        starts.push_back(i);
        if (n == 2)
            doubleByte.push_back(i);
        i += n;
    }
    starts.push_back(line.size());
    std::vector<std::string> fields;
    std::vector<std::pair<std::size_t, std::size_t>> spans;
    std::size_t start = 1;
    int previous = 0;
    const auto take = [&](std::size_t from, std::size_t to) { // positions from 1, `to` excluded
        spans.emplace_back(starts[from - 1], starts[to - 1]);
        std::string text;
        for (std::size_t p = from; p < to; ++p)
            text += chars[p - 1];
        text = RefUnquote(text, o.quote);
        for (char& c : text)
            if (c == '\x08')
                c = ' ';
        std::size_t last = std::string::npos; // start of the last character
        for (std::size_t i = 0; i < text.size(); i += RefIsLead(text[i]) && i + 1 < text.size() ? 2 : 1)
            last = i;
        if (!text.empty() && last == text.size() - 1 && RefIsLead(text[last]))
            text[last] = '?';
        fields.push_back(text);
    };
    for (std::size_t pos = 1; pos <= chars.size(); ++pos) {
        const int code = RefCode(chars[pos - 1], o.delimiters);
        if (code == 0)
            continue;
        if (o.sameAsOne && code == previous && pos == start) {
            start = pos + 1;
        } else {
            take(start, pos);
            start = pos + 1;
        }
        previous = code;
    }
    take(start, chars.size() + 1);
    fields.resize(5);
    spans.resize(5, {line.size(), line.size()});
    return {fields, spans, doubleByte};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint8_t flags = data[0];
    const std::size_t otherLength = RefIsLead(static_cast<char>(data[1])) && size > 2 ? 2 : 1;
    const std::string other(reinterpret_cast<const char*>(data) + 1, otherLength);
    const std::string_view text(reinterpret_cast<const char*>(data) + 1 + otherLength, size - 1 - otherLength);

    static const char* const kFixed[4] = {"\t", ",", " ", ";"};
    Options o;
    for (int k = 0; k < 4; ++k)
        o.delimiters[k] = (flags >> k & 1) != 0 ? kFixed[k] : "";
    o.delimiters[4] = (flags & 0x10) != 0 ? std::string_view(other) : std::string_view();
    o.sameAsOne = (flags & 0x20) != 0;
    static const char* const kQuotes[3] = {"", "\"", "'"};
    o.quote = (flags >> 6) == 3 ? other : kQuotes[flags >> 6];

    const std::vector<std::string_view> lines = SplitLines(text);
    const std::vector<RefLine> expected = RefLines(text);
    Check(lines.size() == expected.size(), "as many lines as the splitter");
    Check(CountLines(text) == expected.size(), "as many lines counted as the splitter");
    const LineParser parser(o.delimiters, o.quote, o.sameAsOne, true);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        Check(lines[n] == expected[n].text, "the same line as the splitter");
        TVirtualItem item;
        parser.Parse(lines[n], item);
        const RefEntry ref = RefParse(lines[n], o);
        const std::vector<std::string>& fields = ref.fields;
        Check(item.Title == fields[0] && item.UserID == fields[1] && item.Password == fields[2] &&
                  item.Memo == fields[3] && item.URL == fields[4],
              "the fields of the literal walk");
        // The field a double-byte character lies in, as the literal walk has it. The quotes the
        // import offers are never bytes of such a character; the character that is the quote
        // is not looked for.
        const bool byteQuote = o.quote.size() == 1 && o.quote != "\"" && o.quote != "'";
        for (std::size_t k = 0; k < ref.doubleByte.size() && k < 8 && !byteQuote; ++k) {
            const std::size_t at = ref.doubleByte[k];
            if (lines[n].substr(at, 2) == o.quote)
                continue;
            unsigned fieldsHolding = 0;
            for (std::size_t f = 0; f < 5; ++f)
                fieldsHolding |= ref.spans[f].first <= at && at < ref.spans[f].second ? 1u << f : 0u;
            Check(parser.FieldsHolding(lines[n], {at}) == fieldsHolding, "the field of a character");
        }
        Check(item.MaskedPassword == std::string(item.Password.size(), '*'), "one '*' per byte of the password");
        // What the reader makes survives the data file unchanged.
        ItemDataList saved, loaded;
        saved.AppendNew() = item;
        ParseDataText(BuildDataText(saved), false, loaded);
        Check(loaded.Count() == 1, "one entry back from the data file");
        const TVirtualItem& back = loaded.At(0);
        Check(back.Title == item.Title && back.UserID == item.UserID && back.Password == item.Password &&
                  back.Memo == item.Memo && back.URL == item.URL,
              "the same fields back from the data file");
    }
    return 0;
}
