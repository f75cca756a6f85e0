#include "app/Main.h"

#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeMainView.h"
#include "support/FakeServices.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tobrix {
namespace {

using Pasted = std::optional<std::string>;

class PasteTest : public ::testing::Test, protected test::FakeServices {
protected:
    PasteTest() {
        view.list.onSelect = [this](int row, bool selected) { frm.List().lsvListSelectItem(row, selected); };
        frm.FormCreate();
    }
    void Add(const std::string& title, const std::string& user, const std::string& password, const std::string& memo) {
        TVirtualItem& it = items.AppendNew();
        it.Title = title;
        it.UserID = user;
        it.Password = password;
        it.Memo = memo;
        it.MaskedPassword = "********";
        frm.List().RefreshList(items.Count() - 1);
    }
    // Another program pastes: it asks for the text, and the renewal that the answer posts
    // runs before the next paste.
    Pasted PasteElsewhere() {
        if (!clipboard.promised)
            return clipboard.text;
        const int posted = view.pasteStepsPosted;
        frm.Paste().WMRenderFormat();
        const Pasted got = clipboard.promised ? std::nullopt : clipboard.text;
        if (view.pasteStepsPosted != posted) {
            frm.Paste().WMPasteStep();
            if (view.timers[MainTimer::PasteRenewal])
                frm.Paste().timPasteTimer();
        }
        return got;
    }
    std::vector<Pasted> PasteTimes(int n) {
        std::vector<Pasted> out;
        for (int i = 0; i < n; ++i)
            out.push_back(PasteElsewhere());
        return out;
    }

    test::FakeMainView view;
    ItemDataList items;
    TSettings settings;
    TfrmMain frm{view, Services(), items, settings, "C:\\T\\Tobrix.exe"};
};

TEST_F(PasteTest, EachPasteGetsTheNextNonEmptyFieldThenNothing) {
    const std::nullopt_t none = std::nullopt;
    struct Case {
        const char *user, *password, *memo;
        std::vector<Pasted> pastes;
    } cases[] = {
        {"u", "p", "m", {"u", "p", "m", none}}, {"u", "p", "", {"u", "p", none, none}},
        {"u", "", "m", {"u", "m", none, none}}, {"", "p", "m", {"p", "m", none, none}},
        {"u", "", "", {"u", none, none, none}}, {"", "p", "", {"p", none, none, none}},
        {"", "", "m", {"m", none, none, none}},
    };
    for (const Case& c : cases) {
        Add("t", c.user, c.password, c.memo);
        frm.Execute(CommandId::actAutoPaste);
        EXPECT_EQ(frm.Checked(CommandId::actAutoPaste), std::optional<bool>(true));
        EXPECT_EQ(PasteTimes(4), c.pastes) << c.user << "/" << c.password << "/" << c.memo;
        EXPECT_EQ(frm.State().PasteStep, 0);
        EXPECT_EQ(frm.Checked(CommandId::actAutoPaste), std::optional<bool>(false));
    }
}

TEST_F(PasteTest, CtrlVAgainRestartsAtTheUserIdEvenWhileARenewalWaits) {
    Add("t", "u", "p", "m");
    frm.Execute(CommandId::actAutoPaste);
    EXPECT_EQ(PasteElsewhere(), "u");
    EXPECT_EQ(PasteElsewhere(), "p");
    frm.Execute(CommandId::actAutoPaste);
    EXPECT_EQ(PasteElsewhere(), "u");

    // The answer is given, its renewal is waiting on the timer when Ctrl+V comes again.
    frm.Paste().WMRenderFormat();
    frm.Paste().WMPasteStep();
    frm.Execute(CommandId::actAutoPaste);
    EXPECT_FALSE(view.timers[MainTimer::PasteRenewal]);
    EXPECT_EQ(PasteTimes(4), (std::vector<Pasted>{"u", "p", "m", std::nullopt}));
}

TEST_F(PasteTest, ASelectionChangeEndsTheSequenceAlsoDuringTheRenewalPause) {
    Add("a", "u1", "p1", "m1");
    Add("b", "u2", "p2", "m2");
    frm.Execute(CommandId::actAutoPaste);
    EXPECT_EQ(PasteElsewhere(), "u2");
    view.list.SelectRow(0);
    EXPECT_EQ(frm.Checked(CommandId::actAutoPaste), std::optional<bool>(false));
    EXPECT_EQ(PasteElsewhere(), std::nullopt);

    frm.Execute(CommandId::actAutoPaste);
    frm.Paste().WMRenderFormat(); // "u1" handed over; the renewal waits
    frm.Paste().WMPasteStep();
    view.list.SelectRow(1);
    frm.Paste().timPasteTimer();
    // The text handed over last does not linger: a fresh promise is answered with nothing.
    EXPECT_EQ(PasteElsewhere(), std::nullopt);
}

TEST_F(PasteTest, EachAnswerReadsTheEntryAtTheSelectedRowThen) {
    Add("b", "u-b", "p-b", "m-b");
    Add("a", "u-a", "p-a", "m-a");
    view.list.SelectRow(0);
    frm.Execute(CommandId::actAutoPaste);
    EXPECT_EQ(PasteElsewhere(), "u-b");
    frm.List().lsvListColumnClick(0); // sorting keeps row 0 selected, now holding "a"
    EXPECT_EQ(PasteElsewhere(), "p-a");

    // No row selected when the request comes: no text.
    frm.Execute(CommandId::actAutoPaste);
    view.list.selected = -1;
    EXPECT_EQ(PasteElsewhere(), std::nullopt);
    EXPECT_EQ(view.pasteStepsPosted, 2); // and nothing to renew
}

TEST_F(PasteTest, DeletingOrDraggingTheEntryAwayEndsTheSequence) {
    Add("a", "u-a", "p-a", "m-a");
    Add("b", "u-b", "p-b", "m-b");
    Add("c", "u-c", "p-c", "m-c");
    view.list.SelectRow(0);
    frm.Execute(CommandId::actAutoPaste);
    EXPECT_EQ(PasteElsewhere(), "u-a");
    frm.Execute(CommandId::actDel); // "b" moves up into the selected row
    EXPECT_EQ(view.list.selected, 0);
    EXPECT_EQ(frm.Checked(CommandId::actAutoPaste), std::optional<bool>(false));
    EXPECT_EQ(PasteElsewhere(), std::nullopt);

    // The drop ends it itself, whatever selection changes the list reports.
    frm.Execute(CommandId::actAutoPaste);
    EXPECT_EQ(PasteElsewhere(), "u-b");
    view.list.onSelect = nullptr;
    frm.Drag().lsvListStartDrag();
    frm.Drag().lsvListDragDrop(5, view.list.rowHeight + 5);
    frm.Drag().lsvListEndDrag();
    EXPECT_EQ(items.At(1).Title, "b");
    EXPECT_EQ(PasteElsewhere(), std::nullopt);

    // A drop on the row itself moves nothing: the sequence goes on.
    frm.Execute(CommandId::actAutoPaste);
    EXPECT_EQ(PasteElsewhere(), "u-b");
    frm.Drag().lsvListStartDrag();
    frm.Drag().lsvListDragDrop(5, view.list.rowHeight + 5);
    EXPECT_EQ(PasteElsewhere(), "p-b");
}

TEST_F(PasteTest, AnEntryEmptiedDuringTheSequenceGivesAnEmptyTextAndEndsIt) {
    Add("t", "u", "p", "");
    frm.Execute(CommandId::actAutoPaste);
    EXPECT_EQ(PasteElsewhere(), "u");
    items.At(0).Password.clear();
    EXPECT_EQ(PasteElsewhere(), "");
    EXPECT_EQ(frm.State().PasteStep, 0);
}

} // namespace
} // namespace tobrix
