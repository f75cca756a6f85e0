#pragma once
// New passwords from the system's random source, by the rules sites impose: a length, the
// kinds of characters, the symbols allowed. Every character is drawn without bias (bytes
// that would favour some characters are thrown away, never folded in by a remainder), and
// every kind chosen appears at least once, at a random place.

#include "common/Cp932Literal.h"
#include "common/Secret.h"
#include "store/Data.h" // the bounds and defaults of the choices

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix {

class Crypto;

// Characters read one for another on paper or in some fonts.
inline constexpr std::string_view kLookAlikeChars = "0Oo1lI|";

enum class CharKind { Upper, Lower, Digit, Symbol };
inline constexpr int kCharKindCount = 4;

struct GeneratorChoices {
    int Length = kGenDefaultLength;
    bool Kinds[kCharKindCount] = {true, true, true, true}; // by CharKind
    std::string Symbols{kGenDefaultSymbols};
    bool NoLookAlikes = false;

    bool Uses(CharKind kind) const { return Kinds[static_cast<int>(kind)]; }
    bool operator==(const GeneratorChoices&) const = default;
};

// Printable ASCII that is neither a letter, a digit nor a blank.
bool IsSymbol(char c);
// Whether every character of the text is a symbol (an empty text is).
bool IsSymbolSet(std::string_view text);

// The characters of each chosen kind, each once, in code order, without the look-alikes
// when they are left out; a kind left without characters is dropped. Symbols that are not
// symbols are ignored.
std::vector<std::string> KindAlphabets(const GeneratorChoices& choices);

// Whether a password can be made: the length within its bounds, at least one kind chosen,
// the symbols a symbol set, and every chosen kind left with characters.
bool CanGenerate(const GeneratorChoices& choices);

// Numbers below n from the system's random bytes, each equally likely: a byte at or above
// the largest multiple of n that fits in a byte is thrown away. The bytes are fetched in
// blocks and wiped when done.
class RandomIndex {
public:
    explicit RandomIndex(Crypto& crypto) : crypto_(crypto), block_(kBlock) {}
    // 1 <= n <= 256.
    std::size_t Below(std::size_t n);

private:
    static constexpr std::size_t kBlock = 64;
    Crypto& crypto_;
    Secret block_;
    std::size_t used_ = kBlock;
};

// The index a random byte gives for a choice among n (1 <= n <= 256), or n when the byte
// must be thrown away.
constexpr std::size_t IndexOfByte(std::uint8_t byte, std::size_t n) {
    const std::size_t limit = 256 - 256 % n;
    return byte < limit ? byte % n : n;
}

// A new password; AppError when CanGenerate is false or the system gives no random bytes.
std::string GeneratePassword(const GeneratorChoices& choices, Crypto& crypto);
// The same with the numbers below n (n <= 256) drawn by `below`: the password's shape apart
// from the draw, so that a draw can be held to the one above.
std::string GeneratePassword(const GeneratorChoices& choices, const std::function<std::size_t(std::size_t)>& below);

// The strength of a password of `length` characters drawn from `alphabet` characters:
// length × log2(alphabet), rounded down.
int StrengthBits(int length, std::size_t alphabet);
std::string_view StrengthWord(int bits);
// The alphabet's size for the choices (all chosen kinds together).
std::size_t AlphabetSize(const GeneratorChoices& choices);

} // namespace tobrix
