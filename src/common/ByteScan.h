#pragma once
// Looks at text a block of bytes at a time for a few byte values: sixteen bytes with SSE2
// where the compiler targets it (x86-64, and x86 built for SSE2), eight bytes in a 64-bit
// word anywhere else. The result of a test is a mask with one bit per byte of the block;
// the helpers below read it the same way whatever its layout.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if !defined(TOBRIX_SCAN_WORDS) && (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
#define TOBRIX_SCAN_SSE2 1
#include <emmintrin.h>
#else
#define TOBRIX_SCAN_SSE2 0
#endif

namespace tobrix::scan {

#if TOBRIX_SCAN_SSE2

inline constexpr std::size_t kBlock = 16;
using Mask = std::uint32_t;
inline constexpr int kBitsPerByte = 1; // bit k stands for byte k

// One byte value repeated over a block.
class Splat {
public:
    Splat() : v_(_mm_setzero_si128()) {}
    explicit Splat(unsigned char b) : v_(_mm_set1_epi8(static_cast<char>(b))) {}

private:
    friend class Block;
    __m128i v_;
};

class Block {
public:
    explicit Block(const char* p) : v_(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))) {}
    Mask Equal(const Splat& s) const { return static_cast<Mask>(_mm_movemask_epi8(_mm_cmpeq_epi8(v_, s.v_))); }
    // The bytes equal to any of the first `count` (1 to 6) values.
    Mask EqualAny(const Splat* s, int count) const {
        __m128i any = _mm_cmpeq_epi8(v_, s[0].v_);
        switch (count) {
        case 6: any = _mm_or_si128(any, _mm_cmpeq_epi8(v_, s[5].v_)); [[fallthrough]];
        case 5: any = _mm_or_si128(any, _mm_cmpeq_epi8(v_, s[4].v_)); [[fallthrough]];
        case 4: any = _mm_or_si128(any, _mm_cmpeq_epi8(v_, s[3].v_)); [[fallthrough]];
        case 3: any = _mm_or_si128(any, _mm_cmpeq_epi8(v_, s[2].v_)); [[fallthrough]];
        case 2: any = _mm_or_si128(any, _mm_cmpeq_epi8(v_, s[1].v_)); [[fallthrough]];
        default: break;
        }
        return static_cast<Mask>(_mm_movemask_epi8(any));
    }
    Mask High() const { return static_cast<Mask>(_mm_movemask_epi8(v_)); } // bytes 0x80 and above

    // Whether byte k of this block is `a` while byte k of `next` (the block one byte later) is
    // `b`, for any k of any of the `count` block pairs.
    static bool AnyPair(const Block* blocks, const Block* next, int count, const Splat& a, const Splat& b) {
        __m128i any = _mm_setzero_si128();
        for (int j = 0; j < count; ++j)
            any = _mm_or_si128(any, _mm_and_si128(_mm_cmpeq_epi8(blocks[j].v_, a.v_), _mm_cmpeq_epi8(next[j].v_, b.v_)));
        return _mm_movemask_epi8(any) != 0;
    }

private:
    __m128i v_;
};

#else

static_assert(std::endian::native == std::endian::little, "the word masks count bytes from the low end");

inline constexpr std::size_t kBlock = 8;
using Mask = std::uint64_t;
inline constexpr int kBitsPerByte = 8; // bit 8k+7 stands for byte k, the others stay 0

inline constexpr std::uint64_t kOnes = 0x0101010101010101u;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080u;

class Splat {
public:
    Splat() = default;
    explicit Splat(unsigned char b) : v_(kOnes * b) {}

private:
    friend class Block;
    std::uint64_t v_ = 0;
};

class Block {
public:
    explicit Block(const char* p) { std::memcpy(&v_, p, sizeof v_); }
    // Exact for every byte: no carry crosses from one byte into the next.
    Mask Equal(const Splat& s) const {
        const std::uint64_t x = v_ ^ s.v_; // 0 where equal
        constexpr std::uint64_t low7 = ~kHighBits;
        return ~(((x & low7) + low7) | x) & kHighBits;
    }
    // The bytes equal to any of the first `count` (1 to 6) values.
    Mask EqualAny(const Splat* s, int count) const {
        Mask any = Equal(s[0]);
        for (int k = 1; k < count; ++k)
            any |= Equal(s[k]);
        return any;
    }
    Mask High() const { return v_ & kHighBits; }

    // Whether byte k of this block is `a` while byte k of `next` (the block one byte later) is
    // `b`, for any k of any of the `count` block pairs.
    static bool AnyPair(const Block* blocks, const Block* next, int count, const Splat& a, const Splat& b) {
        Mask any = 0;
        for (int j = 0; j < count; ++j)
            any |= blocks[j].Equal(a) & next[j].Equal(b);
        return any != 0;
    }

private:
    std::uint64_t v_;
};

#endif

// Up to six byte values looked for together. With SSE2 it is 16-byte aligned, and so is a
// class that holds one: the padding that takes is wanted, not worth a warning (C4324).
#ifdef _MSC_VER
#pragma warning(push)
#pragma warning(disable : 4324)
#endif
class ByteSet {
public:
    static constexpr std::size_t kMax = 6;
    ByteSet() = default;
    // `count` from 1 to kMax.
    ByteSet(const unsigned char* bytes, std::size_t count) : count_(static_cast<int>(count)) {
        for (std::size_t k = 0; k < count; ++k)
            splats_[k] = Splat(bytes[k]);
    }
    Mask In(const Block& block) const { return block.EqualAny(splats_, count_); }

private:
    Splat splats_[kMax];
    int count_ = 1;
};
#ifdef _MSC_VER
#pragma warning(pop)
#endif

// A block of the `count` (< kBlock) bytes at p followed by zero bytes, for the end of a text
// that a whole block would overrun.
inline Block PaddedBlock(const char* p, std::size_t count) {
    char buffer[kBlock] = {};
    if (count != 0) // an empty view may have no address at all
        std::memcpy(buffer, p, count);
    return Block(buffer);
}

// The position of the first byte in the mask (not empty).
inline std::size_t First(Mask m) { return static_cast<std::size_t>(std::countr_zero(m)) / kBitsPerByte; }
// The mask of the bytes before position k (k < kBlock).
inline Mask Before(std::size_t k) { return (Mask{1} << (k * kBitsPerByte)) - 1; }
// The mask moved one byte later; the last byte drops out.
inline Mask Later(Mask m) { return m << kBitsPerByte; }
// The last byte of the mask as the first of the next block's.
inline Mask CarryLast(Mask m) { return m >> ((kBlock - 1) * kBitsPerByte); }
// One bit per byte, the lowest for the first byte.
inline std::uint32_t Packed(Mask m) {
#if TOBRIX_SCAN_SSE2
    return m;
#else
    return static_cast<std::uint32_t>((((m >> 7) * 0x0102040810204080u) >> 56)); // each byte's bit to the top byte
#endif
}

// Bit k: byte `from + k` of the text at p is one `test` finds in its block, for k below
// `count` (at most 64). One mask for a whole line of usual length keeps the loop over what
// was found unbroken. The bytes before `from` may be read again: a short rest is loaded
// with the bytes before it rather than copied out, which would make the processor wait
// for the copy to reach memory before the load.
template <class Test>
std::uint64_t Mask64(const char* p, std::size_t from, std::size_t count, const Test& test) {
    std::uint64_t bits = 0;
    std::size_t k = 0;
    for (; count - k >= kBlock; k += kBlock)
        bits |= std::uint64_t{Packed(test(Block(p + from + k)))} << k;
    const std::size_t rest = count - k;
    if (rest != 0 && from + count >= kBlock) {
        const Mask m = test(Block(p + from + count - kBlock)) >> ((kBlock - rest) * kBitsPerByte);
        bits |= std::uint64_t{Packed(m)} << k;
    } else if (rest != 0) {
        bits |= std::uint64_t{Packed(test(PaddedBlock(p + from + k, rest)) & Before(rest))} << k;
    }
    return bits;
}

// How many bytes the mask holds. Without a population-count instruction in the target
// (none is assumed), std::popcount would become a library call.
inline int Count(Mask m) {
#if TOBRIX_SCAN_SSE2
    m = m - ((m >> 1) & 0x55555555u);
    m = (m & 0x33333333u) + ((m >> 2) & 0x33333333u);
    m = (m + (m >> 4)) & 0x0F0F0F0Fu;
    return static_cast<int>((m * 0x01010101u) >> 24);
#else
    return static_cast<int>(((m >> 7) * kOnes) >> 56); // the bytes' sum gathers in the top byte
#endif
}

} // namespace tobrix::scan
