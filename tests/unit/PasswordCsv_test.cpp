#include "transfer/PasswordCsv.h"

#include "transfer/PasswordCsvExport.h"

#include "app/Main.h"
#include "common/Error.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "support/ErrorOf.h"
#include "support/FakeFiles.h"
#include "support/FakeMainView.h"
#include "support/FakeServices.h"
#include "support/IconvTextCodec.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace tobrix {
namespace {

using namespace std::string_literals;
using Fields = std::array<std::string, 5>; // title, user ID, password, memo, address

std::string Utf8(std::u8string_view text) {
    return std::string(text.begin(), text.end());
}

std::vector<std::vector<std::string>> Records(std::string_view text, std::vector<std::size_t>* lines = nullptr) {
    CsvReader reader(text);
    std::vector<CsvField> fields;
    std::vector<std::vector<std::string>> out;
    while (reader.Next(fields)) {
        out.emplace_back();
        for (const CsvField& f : fields)
            out.back().push_back(f.text);
        if (lines != nullptr)
            lines->push_back(reader.Line());
    }
    return out;
}

using Rows = std::vector<std::vector<std::string>>;

TEST(CsvReaderTest, QuotedFieldsHoldDelimitersQuotesAndLineBreaksAndNothingIsTrimmed) {
    std::vector<std::size_t> lines;
    const Rows rows = Records("a,\"b,c\",\"say \"\"hi\"\"\"\r\n"
                              " x , \"y\" ,\"line1\r\nline2\nline3\"\r\n"
                              "\"\",,\r"
                              "\"a \"stray\" one\",q\"uote\n",
                              &lines);
    EXPECT_EQ(rows, (Rows{{"a", "b,c", "say \"hi\""},
                          {" x ", " \"y\" ", "line1\r\nline2\nline3"},
                          {"", "", ""},
                          {"a \"stray\" one", "q\"uote"}}));
    // The line where each record begins, the breaks inside quotes counted.
    EXPECT_EQ(lines, (std::vector<std::size_t>{1, 2, 5, 6}));
}

TEST(CsvReaderTest, LastLineWithOrWithoutBreakAndAnEmptyLastLine) {
    EXPECT_EQ(Records("a,b"), (Rows{{"a", "b"}}));
    EXPECT_EQ(Records("a,b\r\n"), (Rows{{"a", "b"}}));
    EXPECT_EQ(Records("a,b\r\n\r\n"), (Rows{{"a", "b"}, {""}}));
    EXPECT_EQ(Records("a,\r\n"), (Rows{{"a", ""}}));
    EXPECT_EQ(Records(""), Rows{});
}

TEST(CsvReaderTest, AQuoteLeftOpenRefusesTheTextNamingTheLineWhereItOpened) {
    const std::string error = test::ErrorOf([] { Records("name,password\r\na,b\r\nc,\"d\r\ne\r\n"); });
    EXPECT_NE(error.find("3 "), std::string::npos) << error;
    EXPECT_NE(error, "(no error)");
    EXPECT_EQ(test::ErrorOf([] { Records("a,\"b\"\"\""); }), "(no error)"); // a doubled quote closes nothing
    EXPECT_NE(test::ErrorOf([] { Records("a,\"b\"\""); }), "(no error)");
}

TEST(HostOfTest, TakesTheHostOutOfAnAddress) {
    EXPECT_EQ(HostOf("https://user:pw@www.example.com:8080/a?b#c"), "www.example.com");
    EXPECT_EQ(HostOf("http://example.org"), "example.org");
    EXPECT_EQ(HostOf("example.net/login"), "example.net");
    EXPECT_EQ(HostOf("https://[::1]:443/"), "[::1]");
    EXPECT_EQ(HostOf("https:///path"), "");
}

class PasswordCsvTest : public ::testing::Test {
protected:
    // Reads the bytes as a password CSV file into `list`, `existing` being the list before.
    void Read(const std::string& bytes) {
        files.files["in.csv"] = bytes;
        reader = std::make_unique<TfrmPasswordCsv>(list, existing, false, files, codec);
        reader->Path = "in.csv";
        reader->Read();
    }
    std::vector<Fields> Entries() const {
        std::vector<Fields> out;
        for (int i = 0; i < list.Count(); ++i) {
            const TVirtualItem& item = list.At(i);
            out.push_back({item.Title, item.UserID, item.Password, item.Memo, item.URL});
        }
        return out;
    }

    test::FakeFiles files;
    test::IconvTextCodec codec;
    ItemDataList list, existing;
    std::unique_ptr<TfrmPasswordCsv> reader;
};

TEST_F(PasswordCsvTest, EachKnownExportMapsToTheEntryFields) {
    const Fields mail{"mail.example.com", "me", "pw1", "a note", "https://mail.example.com/login"};
    struct Case {
        const char* name;
        std::string file;
        Fields expected;
    };
    const Case cases[] = {
        {"Chrome",
         "name,url,username,password,note\r\n"
         "mail.example.com,https://mail.example.com/login,me,pw1,a note\r\n",
         mail},
        {"Firefox",
         "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\","
         "\"timeCreated\",\"timeLastUsed\",\"timePasswordChanged\"\r\n"
         "\"https://mail.example.com/login\",\"me\",\"pw1\",,\"https://mail.example.com\","
         "\"{1}\",\"1\",\"2\",\"3\"\r\n",
         {"mail.example.com", "me", "pw1", "", "https://mail.example.com/login"}},
        {"Safari",
         "Title,URL,Username,Password,Notes,OTPAuth\n"
         "mail.example.com,https://mail.example.com/login,me,pw1,a note,\n",
         mail},
        {"Bitwarden",
         "folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password,"
         "login_totp\n"
         ",,login,mail.example.com,a note,,0,\"https://mail.example.com/login,https://m.example.com\","
         "me,pw1,\n",
         mail},
        {"1Password",
         "Title,Url,Username,Password,OTPAuth,Favorite,Archived,Tags,Notes\n"
         "mail.example.com,https://mail.example.com/login,me,pw1,,false,false,,a note\n",
         mail},
        {"KeePassXC",
         "\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\",\"TOTP\",\"Icon\","
         "\"Last Modified\",\"Created\"\n"
         "\"Root\",\"mail.example.com\",\"me\",\"pw1\",\"https://mail.example.com/login\","
         "\"a note\",\"\",\"0\",\"2024-01-01T00:00:00Z\",\"2024-01-01T00:00:00Z\"\n",
         mail},
        // Case and blanks of the header do not count; columns may come in any order.
        {"mixed",
         " PASS word ,Note,User Name,NAME,URL\n"
         "pw1,a note,me,mail.example.com,https://mail.example.com/login\n",
         mail},
    };
    for (const Case& c : cases) {
        list.Clear();
        Read(c.file);
        EXPECT_EQ(Entries(), std::vector<Fields>{c.expected}) << c.name;
        EXPECT_EQ(reader->Notice(), "") << c.name;
    }
}

TEST_F(PasswordCsvTest, RowsThatAreNoEntriesAreSkippedAndCounted) {
    Read("folder,favorite,type,name,notes,fields,reprompt,login_uri,login_username,login_password\n"
         ",,note,secure note,text,,0,,,\n"
         ",,card,my card,,,0,,,\n"
         ",,login,,,,0,,someone,pw\n" // neither title nor address
         ",,login,,,,0,,,\n"
         ",,login,,,,0,https://only.example.org/x,u,p\n");
    EXPECT_EQ(Entries(), (std::vector<Fields>{{"only.example.org", "u", "p", "", "https://only.example.org/x"}}));
    EXPECT_EQ(reader->NotLogin, 2u);
    EXPECT_EQ(reader->NoTitle, 2u);

    list.Clear();
    Read("Group,Title,Username,Password,URL,Notes\n"
         "Root/Recycle Bin,old,u,p,,\n"
         "Root/Recycle Bin/Sub,older,u,p,,\n"
         "Root/Mail,kept,u,p,,\n");
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.At(0).Title, "kept");
    EXPECT_EQ(reader->RecycleBin, 2u);
    EXPECT_NE(reader->Notice().find("2"), std::string::npos);
}

// Each exporter's own shape: its columns, its escapes and its kinds of item.
TEST_F(PasswordCsvTest, ExportersOtherThanBrowsersGiveTheirLoginsWholeAndCountTheRest) {
    const Fields mail{"Mail", "me", "pw", "", "https://mail.example"};
    struct Case {
        struct {
            const char* name;
            std::size_t notLogin, recycleBin; // rows left out as such
        } what;
        std::string file;
        std::vector<Fields> expected;
    };
    const Case cases[] = {
        {{"KeePassXC in Japanese", 0, 3},
         Utf8(u8"\"Group\",\"Title\",\"Username\",\"Password\",\"URL\",\"Notes\"\n\"ルート/ゴミ箱\",\"a\",,,,\n"
              u8"\"ルート/ごみ箱/古い\",\"b\",,,,\n\"Root/Recycle Bin\",\"c\",,,,\n"
              u8"\"ルート\",\"Mail\",\"me\",\"pw\",\"https://mail.example\",\"\"\n"),
         {mail}},
        {{"LastPass", 1, 0},
         "url,username,password,totp,extra,name,grouping,fav\n"
         "https://mail.example,me,pw,,\"line 1\nline 2\",Mail,Work,0\nhttp://sn,,,,secret,Memo,,0\n",
         {{"Mail", "me", "pw", "line 1 line 2", "https://mail.example"}}},
        // "ソ" ends in 0x5C in CP932: no escape.
        {{"KeePass CSV (1.x)", 0, 0},
         Utf8(u8"\"Account\",\"Login Name\",\"Password\",\"Web Site\",\"Comments\"\r\n"
              u8"\"ソ\",\"me\",\"a\\\"b\\\\c\\\\\",\"https://mail.example\",\"say \\\"hi\\\"\r\nbye\"\r\n"),
         {{std::string(sjis<u8"ソ">()), "me", "a\"b\\c\\", "say \"hi\" bye", "https://mail.example"}}},
        {{"Chrome's other names", 0, 0},
         "website,login,password,comments\nhttps://mail.example,me,pw,memo\n",
         {{"mail.example", "me", "pw", "memo", "https://mail.example"}}},
        {{"1Password 7", 3, 0},
         "\"Title\",\"Type\",\"URL\",\"Username\",\"Password\",\"Notes\"\n"
         "\"Mail\",\"Login\",\"https://mail.example\",\"me\",\"p\\\"w,1\",\"say \\\"hi\\\"\"\n"
         "\"Me\",\"Identity\",,,,\n\"Visa\",\"Credit Card\",,,,\n\"Memo\",\"Secure Note\",,,,\"text\"\n",
         {{"Mail", "me", "p\"w,1", "say \"hi\"", "https://mail.example"}}},
        {{"NordPass", 3, 0},
         "name,url,additional_urls,username,password,note,cardholdername,cardnumber,cvc,expirydate,zipcode,folder,"
         "full_name,phone_number,email,address1,address2,city,country,state,type,custom_fields\n"
         "Work,,,,,,,,,,,,,,,,,,,,folder,\nMail,https://mail.example,,me,pw,,,,,,,Work,,,,,,,,,password,\n"
         "Visa,,,,,1234,Taro,4111111111111111,123,12/30,,,,,,,,,,,credit_card,\nMemo,,,,,text,,,,,,,,,,,,,,,note,\n",
         {mail}},
        {{"Proton Pass", 4, 0},
         "type,name,url,email,username,password,note,totp,createTime,modifyTime,vault\n"
         "login,Mail,https://mail.example,me,,pw,,,1,2,V\nlogin,Shop,https://"
         "shop.example,me@example.jp,taro,pw,,,1,2,V\n"
         "alias,Alias,,a@alias.example,,,,,1,2,V\nnote,Memo,,,,,text,,1,2,V\ncreditCard,Visa,,,,,,,1,2,V\n"
         "identity,Me,,me@example.jp,,,,,1,2,V\n",
         {mail, {"Shop", "taro", "pw", "", "https://shop.example"}}},
        {{"Firefox's own account", 1, 0},
         "\"url\",\"username\",\"password\",\"httpRealm\",\"formActionOrigin\",\"guid\"\n"
         "\"chrome://FirefoxAccounts\",\"id\",\"{\"\"k\"\":1}\",\"Firefox Accounts credentials\",,\"{1}\"\n"
         "\"https://mail.example\",\"me\",\"pw\",,\"https://mail.example\",\"{2}\"\n",
         {{"mail.example", "me", "pw", "", "https://mail.example"}}},
    };
    for (const Case& c : cases) {
        list.Clear();
        Read(c.file);
        EXPECT_EQ(Entries(), c.expected) << c.what.name;
        EXPECT_EQ(reader->NotLogin, c.what.notLogin) << c.what.name;
        EXPECT_EQ(reader->RecycleBin, c.what.recycleBin) << c.what.name;
    }
}

TEST_F(PasswordCsvTest, ShortRowsAreEmptyFieldsAndExtraFieldsAreIgnored) {
    Read("name,url,username,password,note\nshort,http://a.example\nlong,http://b.example,u,p,m,x,y\n");
    EXPECT_EQ(Entries(), (std::vector<Fields>{{"short", "", "", "", "http://a.example"},
                                              {"long", "u", "p", "m", "http://b.example"}}));
}

TEST_F(PasswordCsvTest, AHeaderWithoutAPasswordColumnIsRefusedListingTheKnownNames) {
    const std::string error = test::ErrorOf([this] { Read("name,url,username,note\na,b,c,d\n"); });
    EXPECT_NE(error.find("login_password"), std::string::npos) << error;
    EXPECT_NE(error.find("username"), std::string::npos) << error;
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(PasswordCsvTest, EncodingsGiveTheSameEntries) {
    const std::u8string csv =
        u8"name,url,username,password,note\r\n日本語サイト,https://jp.example,ユーザー,pw,メモ\r\n";
    const std::string site(sjis<u8"日本語サイト">()), user(sjis<u8"ユーザー">()), memo(sjis<u8"メモ">());
    const Fields expected{site, user, "pw", memo, "https://jp.example"};
    std::string utf16 = "\xFF\xFE";
    for (const char16_t c :
         u"name,url,username,password,note\r\n日本語サイト,https://jp.example,ユーザー,pw,メモ\r\n") {
        if (c == 0)
            break;
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    const std::string cp932 =
        "name,url,username,password,note\r\n" + site + ",https://jp.example," + user + ",pw," + memo + "\r\n";
    std::string utf16be = utf16;
    for (std::size_t k = 0; k + 1 < utf16be.size(); k += 2)
        std::swap(utf16be[k], utf16be[k + 1]);
    for (const std::string& file : {Utf8(csv), "\xEF\xBB\xBF" + Utf8(csv), utf16, utf16be, cp932}) {
        list.Clear();
        Read(file);
        EXPECT_EQ(Entries(), std::vector<Fields>{expected});
    }
}

TEST_F(PasswordCsvTest, BreaksAndTabsBecomeBlanksOutsideCredentialsAndChangedCredentialsSkipTheRow) {
    Read(Utf8(u8"name,url,username,password,note\r\n"
              u8"\"two\r\nlines\",\"http://a.example/\ttab\",u,p,\"x\r\ny\nz\rw\x08v\"\r\n"
              u8"emoji 😀,http://b.example,u,p,note 😀😀\r\n"
              u8"\"bad\",http://c.example,\"u\r\nv\",p,\r\n"
              u8"bad2,http://d.example,u,pass😀,\r\n"
              u8"bad3,http://e.example,u,\"p\tq\",\r\n"));
    EXPECT_EQ(Entries(), (std::vector<Fields>{{"two lines", "u", "p", "x y z w v", "http://a.example/ tab"},
                                              {"emoji ?", "u", "p", "note ??", "http://b.example"}}));
    EXPECT_EQ(reader->UnmappableCount, 3u);
    EXPECT_EQ(reader->UnmappableLine, 7u);
    // The rows by the line where they begin: the first record spans lines 2 to 6.
    EXPECT_EQ(reader->ChangedCredentials, (std::vector<std::size_t>{8, 10, 11}));
    const std::string notice = reader->Notice();
    EXPECT_NE(notice.find("8"), std::string::npos) << notice;
    EXPECT_NE(notice.find("11"), std::string::npos) << notice;
    EXPECT_NE(notice.find(" 3 "), std::string::npos) << notice;
}

TEST_F(PasswordCsvTest, EntriesAlreadyInTheListAreLeftOutButEqualRowsOfOneFileAreKept) {
    TVirtualItem& old = existing.AppendNew();
    old.Title = "a";
    old.UserID = "u";
    old.Password = "p";
    old.URL = "http://a.example";
    old.Memo = "another memo";
    Read("name,url,username,password,note\n"
         "a,http://a.example,u,p,memo\n"  // equal but for the memo: left out
         "a,http://a.example,u,p2,memo\n" // another password: taken
         "a,http://a.example,u,p2,memo\n" // equal to the row before: kept too
         ",http://a.example,u,p,\n");     // the title from the host differs from "a": taken
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(reader->Duplicates, 1u);
    EXPECT_NE(reader->Notice().find(" 1 "), std::string::npos);
}

// The command through the main window's presenter.
TEST_F(PasswordCsvTest, WhatTheExportWritesTheImportReadsBackSaveEntriesWithNeitherTitleNorAddress) {
    ItemDataList exported;
    const std::vector<Fields> entries = {
        {"Shop, \"best\"", "me@example.jp", "p,\"w\"", "line one", "https://shop.example/login"},
        {std::string(sjis<u8"銀行">()), "12345", std::string(sjis<u8"ひみつ">()), std::string(sjis<u8"メモ">()), ""},
        {"", "", "orphan", "no title, no address", ""},
        {"", "u", "p", "", "http://host.example/"},
    };
    for (const Fields& f : entries) {
        TVirtualItem& item = exported.AppendNew();
        item.Title = f[0], item.UserID = f[1], item.Password = f[2], item.Memo = f[3], item.URL = f[4];
    }
    Read(codec.ToUtf8(PasswordCsvText(exported)));
    std::vector<Fields> expected = {entries[0], entries[1], entries[3]};
    expected[2][0] = "host.example"; // no title: the address's host name
    EXPECT_EQ(Entries(), expected);
    EXPECT_EQ(reader->NoTitle, 1u);
}

class PasswordCsvCommandTest : public ::testing::Test, protected test::FakeServices {
protected:
    void SetUp() override {
        view.list.onSelect = [this](int row, bool selected) { frm.List().lsvListSelectItem(row, selected); };
        files.files["C:/in.csv"] = "name,url,username,password,note\r\nnew,http://n.example,u,p,m\r\n";
        items.AppendNew().Title = "old";
        frm.FormCreate();
    }
    test::FakeMainView view;
    ItemDataList items;
    TSettings settings;
    TfrmMain frm{view, Services(), items, settings, "C:/Program Files/Tobrix/Tobrix.exe"};
};

TEST_F(PasswordCsvCommandTest, OkAppendsSelectsTheFirstNewRowAndOffersToDeleteTheFileKeepingItByDefault) {
    view.csvFile = FilePath("C:/in.csv");
    view.onCsvPreview = [](TfrmPreview& preview) { preview.Accepted = true; };
    frm.Execute(CommandId::mnuPasswordCsvImport);
    ASSERT_EQ(items.Count(), 2);
    EXPECT_EQ(items.At(1).Title, "new");
    EXPECT_TRUE(frm.State().Modified);
    EXPECT_EQ(view.list.selected, 1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, 'Q');
    EXPECT_TRUE(files.IsFile("C:/in.csv"));

    // The same file again adds nothing; asked, the file goes.
    messages.answer = true;
    messages.shown.clear();
    frm.Execute(CommandId::mnuPasswordCsvImport);
    EXPECT_EQ(items.Count(), 2);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, 'W'); // nothing to take: every row is in the list
    files.files["C:/in.csv"] = "name,url,username,password,note\r\nthird,http://t.example,u,p,m\r\n";
    messages.shown.clear();
    frm.Execute(CommandId::mnuPasswordCsvImport);
    EXPECT_EQ(items.Count(), 3);
    EXPECT_FALSE(files.IsFile("C:/in.csv"));
}

TEST_F(PasswordCsvCommandTest, CancelledDialogOrPreviewChangesNothing) {
    frm.Execute(CommandId::mnuPasswordCsvImport); // no file chosen
    view.csvFile = FilePath("C:/in.csv");
    view.onCsvPreview = [](TfrmPreview& preview) { preview.Accepted = false; };
    frm.Execute(CommandId::mnuPasswordCsvImport);
    EXPECT_EQ(items.Count(), 1);
    EXPECT_FALSE(frm.State().Modified);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(files.IsFile("C:/in.csv"));
}

TEST_F(PasswordCsvCommandTest, AnUnreadableFileIsShownAsAnError) {
    view.csvFile = FilePath("C:/in.csv");
    files.files["C:/in.csv"] = "name,password\r\n\"open,x\r\n";
    frm.Execute(CommandId::mnuPasswordCsvImport);
    EXPECT_EQ(items.Count(), 1);
    ASSERT_EQ(messages.Errors().size(), 1u);
    EXPECT_NE(messages.Errors()[0].find("2 "), std::string::npos);
}

} // namespace
} // namespace tobrix
