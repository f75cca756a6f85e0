#pragma once
// The search over the main list: the words of the search text, and the entries' searchable
// fields folded once into one block of bytes that every keystroke scans.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tobrix {

class Collation;
class ItemDataList;

// The words of a search text: the parts between ASCII spaces and ideographic spaces, the
// empty ones left out. A second byte is never taken for half of an ideographic space.
std::vector<std::string_view> SearchWords(std::string_view text);

class SearchIndex {
public:
    // Folds the title, the user ID, the memo and the address of every entry; the password is
    // never taken in.
    void Build(const ItemDataList& items, const Collation& collation);
    // The folded fields no longer stand for the entries (an entry was added, changed,
    // removed or moved).
    void Clear();
    // Whether the index stands for a list of `count` entries.
    bool Holds(int count) const { return built_ && ends_.size() == static_cast<std::size_t>(count); }

    // The entries, in list order, whose fields hold each of the folded words (all of them
    // with no word). A word is found within one field, never across two.
    std::vector<int> Find(const std::vector<std::string>& foldedWords) const;

    // Bytes the index holds.
    std::size_t Size() const { return text_.capacity() + ends_.capacity() * sizeof(std::uint32_t); }

private:
    void Append(std::string_view folded, std::size_t entries);
    // The entries, from `entries`, whose part of the text holds the word.
    std::vector<int> Scan(std::string_view word) const;

    std::string text_;                 // per entry its four folded fields, each ending with a NUL
    std::vector<std::uint32_t> ends_;  // where each entry's part of text_ ends
    std::array<std::uint32_t, 256> counts_{}; // how often each byte value occurs in text_
    bool built_ = false;
};

} // namespace tobrix
