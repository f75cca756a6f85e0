#include "app/PasswordAudit.h"

#include "app/Main.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeMainView.h"
#include "support/FakeServices.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

class PasswordAuditTest : public ::testing::Test, protected test::FakeServices {
protected:
    void Add(const std::vector<std::string>& passwords) {
        for (const std::string& p : passwords) {
            TVirtualItem& item = items.AppendNew();
            item.Title = "t" + std::to_string(items.Count() - 1);
            item.UserID = "u";
            item.Password = p;
        }
    }
    test::FakeMainView view;
    ItemDataList items;
    TSettings settings = DefaultSettings();
    TfrmMain frm{view, Services(), items, settings, "C:/Tobrix/Tobrix.exe"};
};

TEST_F(PasswordAuditTest, EmptyShortAndSharedPasswordsWithTheSharedOnesTogether) {
    Add({"long enough 1", "", "shared-password", "short", "fine and long", "shared-password", "abc", "abc",
         "shared-password", "\x83\x70\x83\x58\x83\x8F\x81\x5B"}); // 8 bytes of four double-byte characters
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

TEST_F(PasswordAuditTest, TheChosenRowSelectsItsEntryInTheMainListAndNoPasswordIsShown) {
    Add({"pass-one-long", "same-same-same", "another-long-one", "same-same-same"});
    view.onPasswordAuditDialog = [](TfrmPasswordAudit& audit) {
        audit.FormShow();
        ASSERT_EQ(audit.RowCount(), 2);
        for (int row = 0; row < audit.RowCount(); ++row)
            for (int column = 0; column < kAuditColumnCount + 1; ++column)
                EXPECT_EQ(audit.CellText(row, column).find("same"), std::string::npos);
        EXPECT_EQ(audit.CellText(1, 0), "t3");
        audit.lsvReportChoose(5); // outside the report: nothing
        EXPECT_FALSE(audit.Chosen);
        audit.lsvReportChoose(1);
    };
    frm.Execute(CommandId::mnuPasswordAudit);
    EXPECT_EQ(view.list.selected, 3);

    view.onPasswordAuditDialog = [](TfrmPasswordAudit& audit) { audit.FormShow(); }; // closed without a choice
    view.list.selected = 0;
    frm.Execute(CommandId::mnuPasswordAudit);
    EXPECT_EQ(view.list.selected, 0);
    EXPECT_FALSE(frm.State().Modified);
}

} // namespace
} // namespace tobrix
