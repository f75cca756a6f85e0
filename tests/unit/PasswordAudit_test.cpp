#include "app/PasswordAudit.h"

#include "store/ItemDataList.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

TEST(PasswordAudit, EmptyShortAndSharedPasswordsWithTheSharedOnesTogether) {
    ItemDataList items;
    for (const char* password : {"long enough 1", "", "shared-password", "short", "fine and long", "shared-password",
                                 "abc", "abc", "shared-password",
                                 "\x83\x70\x83\x58\x83\x8F\x81\x5B"}) // 8 bytes of four double-byte characters
        items.AppendNew().Password = password;
    const std::vector<AuditRow> rows = AuditPasswords(items);
    const std::vector<AuditRow> expected = {
        {1, true}, {2, false, false, 3}, {5, false, false, 3}, {8, false, false, 3},
        {3, false, true}, {6, false, true, 2}, {7, false, true, 2},
    };
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(AuditReason(rows[0]), sjis<u8"空">());
    EXPECT_EQ(AuditReason(rows[1]), sjis<u8"同じパスワード: 3 件">());
    EXPECT_EQ(AuditReason(rows[4]), sjis<u8"8 バイト未満">());
    EXPECT_EQ(AuditReason(rows[5]), sjis<u8"同じパスワード: 2 件、8 バイト未満">());
}

} // namespace
} // namespace tobrix
