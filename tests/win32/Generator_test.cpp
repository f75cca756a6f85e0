// The password generator on the system's random source (CNG): 10 000 passwords of 20
// characters of the four kinds, their characters counted and held to the distribution the
// generator promises by a chi-square test, and the same test rejecting a draw by remainder.

#include "editor/PasswordGenerator.h"
#include "win32/Win32Crypto.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

namespace tobrix::win32 {
namespace {

constexpr int kPasswords = 10000;

// Pearson's statistic of the characters of `passwords` against what the generator promises:
// each of the length − kinds places that carry no required character draws from the whole
// alphabet, and each required one from its kind. The draws are independent but not equally
// distributed, so each count varies no more than under one shared distribution: the
// statistic is at most as wide as the chi-square with alphabet − 1 degrees of freedom.
double ChiSquare(const std::vector<std::string>& kinds, const std::vector<std::string>& passwords, int& outside) {
    std::array<long, 256> counts{};
    for (const std::string& p : passwords)
        for (const char c : p)
            ++counts[static_cast<std::uint8_t>(c)];
    std::size_t alphabet = 0;
    for (const std::string& kind : kinds)
        alphabet += kind.size();
    const double length = static_cast<double>(passwords.front().size());
    const double free = length - static_cast<double>(kinds.size());
    double statistic = 0;
    long inside = 0;
    for (const std::string& kind : kinds) {
        const double expected =
            static_cast<double>(passwords.size()) * (free / static_cast<double>(alphabet) + 1.0 / static_cast<double>(kind.size()));
        for (const char c : kind) {
            const double d = static_cast<double>(counts[static_cast<std::uint8_t>(c)]) - expected;
            statistic += d * d / expected;
            inside += counts[static_cast<std::uint8_t>(c)];
            EXPECT_GT(counts[static_cast<std::uint8_t>(c)], 0) << "never drawn: " << c;
        }
    }
    outside = static_cast<int>(static_cast<double>(passwords.size()) * length) - static_cast<int>(inside);
    return statistic;
}

// The upper 1e-6 point of the chi-square distribution with 89 degrees of freedom is 169.5:
// 172 is passed by chance once in three million runs (the regularised incomplete gamma
// function Q(44.5, 86) = 3.1e-7).
constexpr double kCritical89 = 172.0;

TEST(Generator, TheSystemsDrawIsUnbiasedAndARemainderDrawIsNot) {
    Win32Crypto crypto;
    const GeneratorChoices choices; // 20 characters of the four kinds: 90 in all
    const std::vector<std::string> kinds = KindAlphabets(choices);
    ASSERT_EQ(AlphabetSize(choices), 90u);

    std::vector<std::string> passwords;
    for (int i = 0; i < kPasswords; ++i)
        passwords.push_back(GeneratePassword(choices, crypto));
    int outside = -1;
    const double fair = ChiSquare(kinds, passwords, outside);
    EXPECT_EQ(outside, 0);
    EXPECT_LT(fair, kCritical89);

    // The same bytes folded in by a remainder: out of 90, byte values 0 to 75 come three times
    // in 256 and the others twice, which puts the statistic above 2 000.
    passwords.clear();
    std::array<std::uint8_t, 4096> bytes{};
    std::size_t used = bytes.size();
    const auto remainder = [&](std::size_t n) {
        if (used == bytes.size()) {
            crypto.Random(bytes);
            used = 0;
        }
        return static_cast<std::size_t>(bytes[used++]) % n;
    };
    for (int i = 0; i < kPasswords; ++i)
        passwords.push_back(GeneratePassword(choices, remainder));
    const double biased = ChiSquare(kinds, passwords, outside);
    EXPECT_GT(biased, kCritical89);
    std::printf("chi-square (89 degrees of freedom): CNG %.1f, remainder %.1f, critical %.1f\n", fair, biased,
                kCritical89);
}

} // namespace
} // namespace tobrix::win32
