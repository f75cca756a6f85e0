#include "store/ItemDataList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace tobrix {
namespace {

std::vector<std::string> Titles(const ItemDataList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list.At(i).Title);
    return out;
}

void Fill(ItemDataList& list, std::initializer_list<const char*> titles) {
    for (const char* t : titles)
        list.AppendNew().Title = t;
}

using V = std::vector<std::string>;

TEST(TVirtualItem, ANewEntryHasNoImageNoStateAndEmptyStrings) {
    ItemDataList list;
    const TVirtualItem& item = list.AppendNew();
    EXPECT_EQ(item.ImageIndex, -1);
    EXPECT_EQ(item.StateBits, 0u);
    EXPECT_TRUE(item.Title.empty() && item.UserID.empty() && item.Password.empty() && item.MaskedPassword.empty() &&
                item.Memo.empty() && item.URL.empty());
}

TEST(MaskedPassword, OneAsteriskPerByteWhileHiddenAndUnselected) {
    const std::string threeKanji = "\x88\xC3\x8D\x86\x95\xB6"; // three double-byte characters
    EXPECT_EQ(MaskFor(threeKanji, true, false), "******");
    EXPECT_EQ(MaskFor("abcd", true, false), "****");
    EXPECT_EQ(MaskFor(threeKanji, true, true), threeKanji);
    EXPECT_EQ(MaskFor(threeKanji, false, false), threeKanji);
    for (bool hide : {false, true})
        for (bool plain : {false, true})
            EXPECT_EQ(MaskFor("", hide, plain), "");
}

TEST(ItemDataList, RemoveClosesTheGapAndReleasesTheLast) {
    ItemDataList list;
    Fill(list, {"a", "b", "c", "d"});
    list.Remove(1);
    EXPECT_EQ(Titles(list), (V{"a", "c", "d"}));
    list.Remove(2);
    EXPECT_EQ(Titles(list), (V{"a", "c"}));
    list.Remove(0);
    list.Remove(0);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_THROW(list.Remove(0), std::exception);
}

TEST(ItemDataList, MoveTakesOutAndInsertsAtTheTarget) {
    ItemDataList list;
    Fill(list, {"a", "b", "c", "d", "e"});
    list.Move(0, 3); // down: the entries between move up
    EXPECT_EQ(Titles(list), (V{"b", "c", "d", "a", "e"}));
    list.Move(4, 1); // up
    EXPECT_EQ(Titles(list), (V{"b", "e", "c", "d", "a"}));
    list.Move(2, 2);
    EXPECT_EQ(Titles(list), (V{"b", "e", "c", "d", "a"}));
    EXPECT_THROW(list.Move(0, 5), std::exception);
}

TEST(ItemDataList, AppendReturnsTheIndexAndKeepsTheRecord) {
    ItemDataList list;
    auto item = std::make_unique<TVirtualItem>();
    TVirtualItem* raw = item.get();
    item->Title = "x";
    EXPECT_EQ(list.Append(std::move(item)), 0);
    EXPECT_EQ(list.AppendNew().Title, "");
    EXPECT_EQ(&list.At(0), raw);
    EXPECT_THROW(list.At(2), std::exception);
    EXPECT_THROW(list.At(-1), std::exception);
}

TEST(ItemDataList, CopiesOfEntriesOutliveTheListTheyCameFrom) {
    ItemDataList target;
    {
        ItemDataList imported;
        Fill(imported, {"one", "two"});
        for (int i = 0; i < imported.Count(); ++i)
            target.Append(std::make_unique<TVirtualItem>(imported.At(i)));
    }
    EXPECT_EQ(Titles(target), (V{"one", "two"}));
}

int ByTitle(const TVirtualItem& a, const TVirtualItem& b) { return a.Title.compare(b.Title); }

TEST(ItemDataList, SortOrdersByTheComparisonAndItsSign) {
    ItemDataList list;
    Fill(list, {"d", "a", "c", "b", "a"});
    list.Sort(ByTitle);
    EXPECT_EQ(Titles(list), (V{"a", "a", "b", "c", "d"}));
    list.Sort([](const TVirtualItem& a, const TVirtualItem& b) { return -ByTitle(a, b); });
    EXPECT_EQ(Titles(list), (V{"d", "c", "b", "a", "a"}));
}

TEST(ItemDataList, SortHandlesLargeAndAdversarialInputs) {
    std::mt19937 random(42);
    for (const char* shape : {"random", "sorted", "reversed", "equal", "organ"}) {
        ItemDataList list;
        std::vector<std::string> keys;
        const int n = 20000;
        for (int i = 0; i < n; ++i) {
            int k = 0;
            if (std::string(shape) == "random")
                k = static_cast<int>(random() % 1000);
            else if (std::string(shape) == "sorted")
                k = i;
            else if (std::string(shape) == "reversed")
                k = n - i;
            else if (std::string(shape) == "organ")
                k = i < n / 2 ? i : n - i;
            char buf[16];
            std::snprintf(buf, sizeof buf, "%08d", k);
            keys.push_back(buf);
            list.AppendNew().Title = buf;
        }
        list.Sort(ByTitle);
        std::sort(keys.begin(), keys.end());
        EXPECT_EQ(Titles(list), keys) << shape;
    }
}

TEST(ItemDataList, SortSurvivesAComparisonThatContradictsItself) {
    // Order is then meaningless, but no entry may be lost or read out of bounds.
    ItemDataList list;
    for (int i = 0; i < 500; ++i)
        list.AppendNew().Title = std::to_string(i);
    std::mt19937 random(7);
    list.Sort([&](const TVirtualItem&, const TVirtualItem&) { return static_cast<int>(random() % 3) - 1; });
    std::vector<std::string> titles = Titles(list);
    std::sort(titles.begin(), titles.end());
    std::vector<std::string> expected;
    for (int i = 0; i < 500; ++i)
        expected.push_back(std::to_string(i));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(titles, expected);
}

} // namespace
} // namespace tobrix
