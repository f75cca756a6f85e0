#include "app/MainSearch.h"

#include "common/ByteScan.h"
#include "common/Cp932.h"
#include "common/Error.h"
#include "common/Secret.h"
#include "platform/Collation.h"
#include "store/ItemDataList.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tobrix {

std::vector<std::string_view> SearchWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    const auto end = [&](std::size_t at) {
        if (at > start)
            words.push_back(text.substr(start, at - start));
    };
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = CharLength(text, pos);
        if (text[pos] == ' ' || (length == 2 && text[pos] == '\x81' && text[pos + 1] == '\x40')) {
            end(pos);
            start = pos + length;
        }
        pos += length;
    }
    end(text.size());
    return words;
}

namespace {

// The entries are folded in pieces of about this many bytes: few calls of the system's
// mapping, and no copy of the whole list at once.
constexpr std::size_t kPiece = 64 * 1024;
constexpr int kFields = 4;

void AddField(std::string& piece, const std::string& field) {
    const std::size_t from = piece.size();
    piece += field;
    // A NUL inside a field would end it early and shift every entry after it; a lead byte
    // left alone at its end would take the NUL after it as its second byte.
    std::replace(piece.begin() + static_cast<std::ptrdiff_t>(from), piece.end(), '\0', ' ');
    const std::string_view text(field);
    std::size_t last = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos))
        last = pos;
    if (!text.empty() && last == text.size() - 1 && IsLeadByte(static_cast<unsigned char>(text[last])))
        piece.back() = ' ';
    piece += '\0';
}

void AddEntry(std::string& piece, const TVirtualItem& item) {
    AddField(piece, item.Title);
    AddField(piece, item.UserID);
    AddField(piece, item.Memo);
    AddField(piece, item.URL);
}

} // namespace

void SearchIndex::Clear() {
    built_ = false;
    Wipe(text_); // the entries' texts, folded
    text_ = {};
    ends_ = {};
    counts_ = {};
}

void SearchIndex::Build(const ItemDataList& items, const Collation& collation) {
    Clear();
    ends_.reserve(static_cast<std::size_t>(items.Count()));
    std::string piece;
    int first = 0; // the first entry of the piece
    const auto fold = [&](int next) {
        const std::string folded = collation.SearchFold(piece);
        const std::size_t nuls = static_cast<std::size_t>(std::count(folded.begin(), folded.end(), '\0'));
        if (nuls == static_cast<std::size_t>(next - first) * kFields) {
            Append(folded, static_cast<std::size_t>(next - first));
        } else {
            // The mapping did not keep the fields apart: one entry at a time, each checked.
            for (int i = first; i < next; ++i) {
                std::string one;
                AddEntry(one, items.At(i));
                std::string entry = collation.SearchFold(one);
                if (std::count(entry.begin(), entry.end(), '\0') != kFields)
                    entry = std::string(kFields, '\0'); // an entry that cannot be folded is found by nothing
                Append(entry, 1);
            }
        }
        piece.clear();
        first = next;
    };
    for (int i = 0; i < items.Count(); ++i) {
        AddEntry(piece, items.At(i));
        if (piece.size() >= kPiece)
            fold(i + 1);
    }
    if (!piece.empty())
        fold(items.Count());
    if (text_.size() > std::numeric_limits<std::uint32_t>::max())
        throw AppError(std::string(kMsgUnexpectedError));
    text_.shrink_to_fit();
    for (const char c : text_)
        ++counts_[static_cast<unsigned char>(c)];
    built_ = true;
}

void SearchIndex::Append(std::string_view folded, std::size_t entries) {
    std::size_t nuls = 0;
    for (std::size_t pos = 0; entries > 0; ++pos) {
        pos = folded.find('\0', pos);
        if (++nuls % kFields == 0) {
            ends_.push_back(static_cast<std::uint32_t>(text_.size() + pos + 1));
            --entries;
        }
    }
    text_ += folded;
}

std::vector<int> SearchIndex::Scan(std::string_view word) const {
    std::vector<int> found;
    const char* const text = text_.data();
    const std::size_t size = text_.size();
    const std::size_t n = word.size();
    if (n == 0 || n > size)
        return found;
    // The scan looks for two neighbouring bytes of the word together, the rarest pair in the
    // list, sixteen places at a time; each place found is then compared whole. After a match
    // the rest of that entry is skipped.
    std::size_t k = 0;
    if (n >= 2) {
        double best = std::numeric_limits<double>::max();
        for (std::size_t j = 0; j + 1 < n; ++j) {
            const double pair = static_cast<double>(counts_[static_cast<unsigned char>(word[j])]) *
                                static_cast<double>(counts_[static_cast<unsigned char>(word[j + 1])]);
            if (pair < best) {
                best = pair;
                k = j;
            }
        }
    }
    const scan::Splat a(static_cast<unsigned char>(word[k]));
    const scan::Splat b(static_cast<unsigned char>(word[n >= 2 ? k + 1 : k]));
    std::size_t entry = 0;
    // Candidate places of the pair's first byte run from k to size - n + k.
    std::size_t pos = k;
    const std::size_t last = size - n + k;
    const auto candidate = [&](std::size_t at) {
        const std::size_t start = at - k;
        // The pair matched already; words are short, so a plain loop beats a library call.
        for (std::size_t j = 0; j < n; ++j)
            if (text[start + j] != word[j])
                return std::size_t{0};
        while (ends_[entry] <= start)
            ++entry;
        found.push_back(static_cast<int>(entry));
        return static_cast<std::size_t>(ends_[entry]) + k; // the next entry's first candidate
    };
    // Four blocks at a time while the text lasts: most of them hold no candidate at all, and
    // those that do are looked at one block at a time.
    constexpr int kBlocks = 4;
    constexpr std::size_t kWide = kBlocks * scan::kBlock;
    const auto blockMask = [&](std::size_t at) {
        scan::Mask m = scan::Block(text + at).Equal(a);
        if (n >= 2)
            m &= scan::Block(text + at + 1).Equal(b);
        return m;
    };
    // The first candidate of the mask's places from `at` that matches: where to go on from, or 0.
    const auto takeMask = [&](scan::Mask m, std::size_t at) {
        std::size_t next = 0;
        for (; m != 0 && next == 0; m &= m - 1)
            next = candidate(at + scan::First(m));
        return next;
    };
    while (pos <= last) {
        if (last - pos + 1 >= kWide && pos + 1 + kWide <= size) {
            scan::Block blocks[kBlocks] = {scan::Block(text + pos), scan::Block(text + pos + scan::kBlock),
                                           scan::Block(text + pos + 2 * scan::kBlock),
                                           scan::Block(text + pos + 3 * scan::kBlock)};
            const bool any = n < 2 ? scan::Block::AnyPair(blocks, blocks, kBlocks, a, a)
                                   : scan::Block::AnyPair(blocks,
                                                          std::array<scan::Block, kBlocks>{
                                                              scan::Block(text + pos + 1),
                                                              scan::Block(text + pos + 1 + scan::kBlock),
                                                              scan::Block(text + pos + 1 + 2 * scan::kBlock),
                                                              scan::Block(text + pos + 1 + 3 * scan::kBlock)}
                                                              .data(),
                                                          kBlocks, a, b);
            std::size_t next = 0;
            for (std::size_t j = 0; any && j < kBlocks && next == 0; ++j)
                next = takeMask(blockMask(pos + j * scan::kBlock), pos + j * scan::kBlock);
            pos = next != 0 ? next : pos + kWide;
            continue;
        }
        if (last - pos + 1 >= scan::kBlock && pos + 1 + scan::kBlock <= size) {
            const std::size_t next = takeMask(blockMask(pos), pos);
            pos = next != 0 ? next : pos + scan::kBlock;
            continue;
        }
        const std::size_t next = text[pos] == word[k] ? candidate(pos) : 0;
        pos = next != 0 ? next : pos + 1;
    }
    return found;
}

std::vector<int> SearchIndex::Find(const std::vector<std::string>& foldedWords) const {
    std::vector<const std::string*> words;
    for (const std::string& word : foldedWords) {
        if (word.find('\0') != std::string::npos)
            return {}; // no field holds a NUL: only the ends of fields would match it
        if (!word.empty())
            words.push_back(&word);
    }
    if (words.empty()) {
        std::vector<int> all(ends_.size());
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = static_cast<int>(i);
        return all;
    }
    // The longest word first: it is the one that leaves the fewest entries to look at again.
    std::stable_sort(words.begin(), words.end(),
                     [](const std::string* x, const std::string* y) { return x->size() > y->size(); });
    std::vector<int> found = Scan(*words.front());
    const std::string_view text(text_);
    for (std::size_t w = 1; w < words.size() && !found.empty(); ++w) {
        std::erase_if(found, [&](int i) {
            const std::size_t from = i == 0 ? 0 : ends_[static_cast<std::size_t>(i) - 1];
            const std::size_t to = ends_[static_cast<std::size_t>(i)];
            return text.substr(from, to - from).find(*words[w]) == std::string_view::npos;
        });
    }
    return found;
}

} // namespace tobrix
