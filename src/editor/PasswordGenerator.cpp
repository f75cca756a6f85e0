#include "editor/PasswordGenerator.h"

#include "common/Error.h"
#include "platform/Crypto.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numeric>

namespace tobrix {

namespace {

constexpr std::string_view kMsgCannotGenerate = sjis<u8"この条件ではパスワードを生成できません。">();

bool IsLookAlike(char c) { return kLookAlikeChars.find(c) != std::string_view::npos; }

bool Belongs(CharKind kind, char c) {
    switch (kind) {
    case CharKind::Upper: return c >= 'A' && c <= 'Z';
    case CharKind::Lower: return c >= 'a' && c <= 'z';
    case CharKind::Digit: return c >= '0' && c <= '9';
    case CharKind::Symbol: return IsSymbol(c);
    }
    return false;
}

} // namespace

bool IsSymbol(char c) {
    return c > ' ' && c < 0x7F && !Belongs(CharKind::Upper, c) && !Belongs(CharKind::Lower, c) &&
           !Belongs(CharKind::Digit, c);
}

bool IsSymbolSet(std::string_view text) {
    for (const char c : text)
        if (!IsSymbol(c))
            return false;
    return true;
}

std::vector<std::string> KindAlphabets(const GeneratorChoices& choices) {
    std::vector<std::string> kinds;
    for (int k = 0; k < kCharKindCount; ++k) {
        const auto kind = static_cast<CharKind>(k);
        if (!choices.Uses(kind))
            continue;
        std::string chars;
        // In code order: the symbols given twice or in any order make the same alphabet.
        for (int c = '!'; c < 0x7F; ++c) {
            const char ch = static_cast<char>(c);
            if (!Belongs(kind, ch) || (choices.NoLookAlikes && IsLookAlike(ch)))
                continue;
            if (kind == CharKind::Symbol && choices.Symbols.find(ch) == std::string::npos)
                continue;
            chars += ch;
        }
        if (!chars.empty())
            kinds.push_back(std::move(chars));
    }
    return kinds;
}

bool CanGenerate(const GeneratorChoices& choices) {
    if (choices.Length < kGenMinLength || choices.Length > kGenMaxLength || !IsSymbolSet(choices.Symbols))
        return false;
    const auto chosen = static_cast<std::size_t>(std::count(std::begin(choices.Kinds), std::end(choices.Kinds), true));
    return chosen > 0 && KindAlphabets(choices).size() == chosen;
}

std::size_t AlphabetSize(const GeneratorChoices& choices) {
    std::size_t size = 0;
    for (const std::string& kind : KindAlphabets(choices))
        size += kind.size();
    return size;
}

std::size_t RandomIndex::Below(std::size_t n) {
    for (;;) {
        if (used_ == block_.size()) {
            crypto_.Random(block_.span());
            used_ = 0;
        }
        const std::size_t index = IndexOfByte(block_.data()[used_++], n);
        if (index < n)
            return index;
    }
}

std::string GeneratePassword(const GeneratorChoices& choices, Crypto& crypto) {
    RandomIndex random(crypto);
    return GeneratePassword(choices, [&random](std::size_t n) { return random.Below(n); });
}

std::string GeneratePassword(const GeneratorChoices& choices, const std::function<std::size_t(std::size_t)>& below) {
    if (!CanGenerate(choices))
        throw AppError(std::string(kMsgCannotGenerate));
    const std::vector<std::string> kinds = KindAlphabets(choices);
    const std::string alphabet = std::accumulate(kinds.begin(), kinds.end(), std::string());
    const auto length = static_cast<std::size_t>(choices.Length);

    std::string password(length, '\0');
    WipeOnExit wipe(password); // a failure half-way leaves nothing behind
    for (char& c : password)
        c = alphabet[below(alphabet.size())];
    // One character of each kind at places chosen at random (the first steps of a shuffle of
    // the places), so that a rule such as "at least one digit" always holds.
    std::vector<std::size_t> places(length);
    std::iota(places.begin(), places.end(), std::size_t{0});
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        std::swap(places[k], places[k + below(length - k)]);
        password[places[k]] = kinds[k][below(kinds[k].size())];
    }
    wipe.Keep();
    return password;
}

int StrengthBits(int length, std::size_t alphabet) {
    if (length <= 0 || alphabet < 2)
        return 0;
    // Exact for the powers of two, where a product of whole bits would be at risk.
    return static_cast<int>(std::floor(static_cast<double>(length) * std::log2(static_cast<double>(alphabet))));
}

std::string_view StrengthWord(int bits) {
    if (bits < 64)
        return sjis<u8"弱い">();
    if (bits < 100)
        return sjis<u8"普通">();
    return sjis<u8"強い">();
}

} // namespace tobrix
