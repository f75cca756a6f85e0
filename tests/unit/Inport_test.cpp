#include "transfer/Inport.h"

#include "app/Main.h"
#include "common/Error.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/FakeInportView.h"
#include "support/FakeMainView.h"
#include "support/FakeNValEditView.h"
#include "support/FakeServices.h"
#include "support/IconvTextCodec.h"

#include <gtest/gtest.h>

namespace tobrix {
namespace {

const std::string kFile = "C:\\data\\accounts.csv";

class InportTest : public ::testing::Test, protected test::FakeServices {
protected:
    InportTest() {
        settings = DefaultSettings();
        items.AppendNew().Title = "existing";
    }
    // A dialog as the main window opens it, its window shown.
    std::unique_ptr<TfrmInport> Open(test::FakeInportView& view) {
        auto frm = std::make_unique<TfrmInport>(items, settings, files, messages, cp932);
        frm->Attach(view);
        frm->FormCreate();
        frm->FormShow();
        return frm;
    }
    void Choose(test::FakeInportView& view, const std::string& file) {
        view.texts[InportText::txtFileName] = file;
    }

    test::IconvTextCodec cp932;
    ItemDataList items;
    TSettings settings;
};

TEST_F(InportTest, RestoringTheChoicesRunsTheFormsHandlersInOrder) {
    struct Case {
        bool space, same, etc;
        std::string etcStr;
        bool wantSame, wantEtc, wantFocusEtc;
    };
    const Case cases[] = {
        {true, false, false, "", false, false, false}, // the stored chkSame wins over chkSpace's copy
        {false, true, false, "", true, false, false},
        {false, false, true, "", false, true, true},   // chkETC on moves the focus to its box
        {false, false, false, "|", false, true, true}, // a stored character turns chkETC on
    };
    for (const Case& c : cases) {
        settings.Space = c.space;
        settings.Same = c.same;
        settings.Etc = c.etc;
        settings.EtcStr = c.etcStr;
        settings.InportFile = kFile;
        settings.StartNum = 3;
        settings.InpDelim = 2;
        test::FakeInportView view;
        Open(view);
        EXPECT_EQ(view.Checked(InportCheck::chkSpace), c.space);
        EXPECT_EQ(view.Checked(InportCheck::chkSame), c.wantSame);
        EXPECT_EQ(view.Checked(InportCheck::chkETC), c.wantEtc);
        EXPECT_EQ(std::count(view.log.begin(), view.log.end(), "focusETC") > 0, c.wantFocusEtc) << c.etcStr;
        EXPECT_EQ(view.texts[InportText::txtFileName], kFile);
        EXPECT_EQ(view.start, 3);
        EXPECT_EQ(view.quote, 2);
    }
}

TEST_F(InportTest, SpaceCarriesSameAlongAndTheOtherBoxFollowsItsText) {
    test::FakeInportView view;
    auto frm = Open(view);
    view.checks[InportCheck::chkSpace] = true;
    frm->chkSpaceClick();
    EXPECT_TRUE(view.Checked(InportCheck::chkSame));
    view.checks[InportCheck::chkSpace] = false;
    frm->chkSpaceClick();
    EXPECT_FALSE(view.Checked(InportCheck::chkSame));

    view.texts[InportText::txtETC] = "\\";
    frm->txtETCChange();
    EXPECT_TRUE(view.Checked(InportCheck::chkETC));
    EXPECT_EQ(view.log.back(), "focusETC");
    view.texts[InportText::txtETC] = "";
    frm->txtETCChange();
    EXPECT_FALSE(view.Checked(InportCheck::chkETC));
}

TEST(InportStartField, ANegativeLineCountBecomesZeroNotItsAbsoluteValue) {
    test::FakeSound sound;
    TNValEdit field(sound, 0);
    test::FakeNValEditView view(field);
    field.Attach(view); // as the window does: the control first, then the form's settings
    SetUpStartField(field);
    const struct {
        const char* how;
        std::function<void()> give;
        long double value;
    } cases[] = {
        {"stored -3", [&] { field.SetValue(-3); }, 0},
        {"pasted -5", [&] { view.clipboard = "-5", field.Paste(); }, 0},
        {"set from outside -7", [&] { view.SetTextFromOutside("-7"); }, 0},
        {"stored 5", [&] { field.SetValue(5); }, 5},
        {"pasted 150", [&] { view.clipboard = "150", field.Paste(); }, 99},
        {"typed minus sign", [&] { field.KeyPress('-'); }, 99}, // refused with a beep
    };
    for (const auto& c : cases) {
        c.give();
        EXPECT_EQ(field.Value(), c.value) << c.how;
        EXPECT_EQ(view.text, std::to_string(static_cast<int>(c.value))) << c.how;
    }
    EXPECT_EQ(sound.beeps, std::vector<unsigned>{kBeepDefault});
}

TEST_F(InportTest, AnAcceptedImportAppendsStoresTheChoicesAndShowsThemNextTime) {
    // CP932 with "ソ" (0x83 0x5C) and "\" as the other delimiter: the character stays whole.
    files.files[kFile] = "skip me\r\n\x83\x5C\\id\\pw\r\n\r\nb\\c\r\n";
    test::FakeInportView view;
    auto frm = Open(view);
    Choose(view, kFile);
    view.start = 1;
    view.checks[InportCheck::chkComma] = false;
    view.texts[InportText::txtETC] = "\\";
    frm->txtETCChange();
    frm->cmdOKClick();

    ASSERT_EQ(items.Count(), 3);
    EXPECT_EQ(items.At(1).Title, "\x83\x5C");
    EXPECT_EQ(items.At(1).UserID, "id");
    EXPECT_EQ(items.At(1).Password, "pw");
    EXPECT_EQ(items.At(2).Title, "b");
    EXPECT_TRUE(frm->Imported);
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(view.previews, 1);
    EXPECT_EQ(settings.InportFile, kFile);
    EXPECT_EQ(settings.StartNum, 1);
    EXPECT_TRUE(settings.Etc);
    EXPECT_EQ(settings.EtcStr, "\\");
    EXPECT_FALSE(settings.Comma);

    test::FakeInportView again;
    Open(again);
    EXPECT_EQ(again.texts[InportText::txtFileName], kFile);
    EXPECT_EQ(again.start, 1);
    EXPECT_TRUE(again.Checked(InportCheck::chkETC));
    EXPECT_FALSE(again.Checked(InportCheck::chkComma));
}

TEST_F(InportTest, CancelEmptyDeclinedAndUnreadableLeaveEverythingAsItWas) {
    files.files[kFile] = "a,b\r\n";
    files.files["empty.csv"] = "\r\n\r\n";
    const TSettings before = settings;
    enum What { Cancelled, Empty, Declined, Unreadable };
    for (What what : {Cancelled, Empty, Declined, Unreadable}) {
        messages.shown.clear();
        test::FakeInportView view;
        auto frm = Open(view);
        Choose(view, what == Empty ? "empty.csv" : what == Unreadable ? "" : kFile);
        view.checks[InportCheck::chkTab] = true; // a choice that must not be stored
        if (what == Cancelled)
            view.onReader = [&](TfrmDlg& reader) {
                reader.SetView(view.progress);
                reader.cmdCancelClick();
                reader.ReadTextFile();
                reader.cmdCancelClick();
            };
        view.onPreview = [](TfrmPreview&) { return false; };
        if (what == Unreadable)
            EXPECT_THROW(frm->cmdOKClick(), AppError);
        else
            frm->cmdOKClick();
        EXPECT_EQ(items.Count(), 1) << what;
        EXPECT_FALSE(frm->Imported);
        EXPECT_FALSE(view.closed);
        EXPECT_TRUE(settings == before) << what;
        if (what == Empty) {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text, kMsgNothingToImport);
            EXPECT_EQ(messages.shown[0].caption, kCaptionDataError);
            EXPECT_EQ(messages.shown[0].icon, MessageIcon::Warning);
        } else {
            EXPECT_TRUE(messages.shown.empty()) << what;
        }
    }
}

TEST_F(InportTest, NoSecondReadAndNoClosingWhileAFileIsRead) {
    files.files[kFile] = "a\r\n";
    test::FakeInportView view;
    auto frm = Open(view);
    Choose(view, kFile);
    view.checks[InportCheck::chkPreview] = false;
    int reads = 0;
    view.onReader = [&](TfrmDlg& reader) {
        ++reads;
        frm->cmdOKClick();     // pressed again while the progress window is up
        frm->cmdCancelClick(); // and the dialog's own キャンセル
        EXPECT_FALSE(view.closed);
        reader.SetView(view.progress);
        reader.ReadTextFile();
    };
    frm->cmdOKClick();
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(view.previews, 0); // preview off: taken over at once
    EXPECT_EQ(items.Count(), 2);
    EXPECT_TRUE(view.closed);
}

TEST_F(InportTest, TextChangedOnTheWayInIsShownFirstWhenTheUserMustLookAtIt) {
    // UTF-8 with its mark. "é" and "☃" cannot be held; "〜" (E3 80 9C) becomes 0x8160, the
    // same character to a reader but another to a site that checks a user ID or password.
    const std::string mark = "\xEF\xBB\xBF", e = "\xC3\xA9", wave = "\xE3\x80\x9C";
    const auto user = [](int line) { return std::to_string(line) + std::string(sjis<u8" 行目のユーザーＩＤ">()); };
    const auto password = [](int line) { return std::to_string(line) + std::string(sjis<u8" 行目のパスワード">()); };
    const struct {
        std::string file;
        int skip;
        bool preview;                   // forced open, with "プレビューを表示する" off
        std::vector<std::string> named; // in the notice, in order
        std::string more;               // the count of those not named, when there are more
    } cases[] = {
        {mark + "ok\r\nsnow \xE2\x98\x83\r\n", 0, true, {" 1 ", " 2 "}, ""}, // how many, and the first line
        {mark + "caf" + e + ",id,pw\r\nx,y,z\r\n", 1, false, {}, ""},         // the skipped header only
        {mark + "h\r\nt" + wave + ",id,pw,m" + wave + ",u" + wave + "\r\n", 1, false, {}, ""},
        {mark + "h\r\nt,id,p" + wave + "\r\n\r\nt,i" + wave + ",p\r\n", 1, true, {password(2), user(4)}, ""},
        {mark + "h\r\n" + "a,b" + wave + ",c" + wave + "\r\n" + "a,b" + wave + "\r\n" + "a,b,c" + wave + "\r\n", 1, true,
         {user(2), password(2), user(3)}, std::string(sjis<u8" ほか 1 件">())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        files.files[kFile] = c.file;
        test::FakeInportView view;
        auto frm = Open(view);
        Choose(view, kFile);
        view.start = c.skip;
        view.checks[InportCheck::chkPreview] = false;
        std::string notice;
        view.onPreview = [&](TfrmPreview& preview) {
            notice = preview.Notice;
            return true;
        };
        frm->cmdOKClick();
        EXPECT_EQ(view.previews, c.preview ? 1 : 0);
        EXPECT_TRUE(frm->Imported);
        std::size_t at = 0;
        for (const std::string& name : c.named) {
            at = notice.find(name, at);
            ASSERT_NE(at, std::string::npos) << name;
        }
        EXPECT_EQ(notice.find(sjis<u8"ほか">()) != std::string::npos, !c.more.empty());
        if (!c.more.empty()) {
            EXPECT_NE(notice.find(c.more), std::string::npos);
        }
        EXPECT_EQ(notice.find(std::string(sjis<u8"1 行目">())), std::string::npos); // the header
    }
}

TEST_F(InportTest, TheMainListShowsTheFirstNewEntryAfterAnImport) {
    files.files[kFile] = "x\r\ny\r\n";
    test::FakeMainView main;
    TfrmMain frm(main, Services(), items, settings, "C:\\Tobrix\\Tobrix.exe");
    main.onInportDialog = [&](TfrmInport& inport) {
        test::FakeInportView view;
        inport.Attach(view);
        inport.FormShow();
        Choose(view, kFile);
        view.onPreview = [](TfrmPreview& preview) {
            CellInfo cell;
            preview.lsvPreviewVMGetItemInfo(1, 0, cell);
            EXPECT_EQ(cell.Text, "y");
            return true;
        };
        inport.cmdOKClick();
    };
    frm.Execute(CommandId::mnuInport);
    EXPECT_EQ(items.Count(), 3);
    EXPECT_EQ(main.list.selected, 1);
    EXPECT_TRUE(frm.State().Modified);
}

TEST(PreviewTest, ShowsPlainPasswordsAndMergingTwiceAppendsTwice) {
    ItemDataList imported, items;
    TVirtualItem& entry = imported.AppendNew();
    entry.Title = "t";
    entry.Password = "pw";
    entry.MaskedPassword = "**";
    TfrmPreview preview(imported);
    CellInfo cell;
    preview.lsvPreviewVMGetItemInfo(0, 2, cell);
    EXPECT_EQ(cell.Text, "pw");
    preview.lsvPreviewVMGetItemInfo(0, 5, cell);
    EXPECT_EQ(cell.Text, "");
    preview.lsvPreviewVMGetItemInfo(1, 0, cell);
    EXPECT_EQ(cell.Text, "");

    MergeImport(imported, items);
    MergeImport(imported, items);
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.At(1).MaskedPassword, "**");
    EXPECT_NE(&items.At(0), &imported.At(0));
}

} // namespace
} // namespace tobrix
