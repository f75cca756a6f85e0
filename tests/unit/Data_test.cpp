#include "store/Data.h"

#include "common/Error.h"
#include "support/ErrorOf.h"
#include "support/FakeRegistry.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace tobrix {
namespace {

using test::FakeRegistry;

const std::vector<std::string> kNames = {
    "OnTop",    "HidePass", "Shard", "Left",       "Top",      "Width",   "Height",    "orgHeight", "InportFile", "StartNum",
    "Tab",      "Comma",    "Space", "Semi",       "Etc",      "EtcStr",  "InpDelim",  "Same",      "Preview",    "ExportFile",
    "ExpDelim", "DblQ",     "Head",  "ColWidth0", "ColWidth1", "ColWidth2", "ColWidth3", "ColWidth4"};

using test::ErrorOf;

TEST(Settings, WithoutAnyStoredValueEveryFieldTakesItsDefault) {
    FakeRegistry registry;
    TSettings s;
    LoadSettings(registry, s);
    EXPECT_EQ(s, DefaultSettings());
    // The defaults themselves, as users and later parts rely on them.
    EXPECT_TRUE(s.Comma && s.Preview && s.DblQ);
    EXPECT_FALSE(s.OnTop || s.HidePass || s.Shard || s.Tab || s.Space || s.Semi || s.Etc || s.Same || s.Head);
    EXPECT_EQ(s.Left | s.Top | s.Width | s.Height | s.orgHeight | s.StartNum | s.InpDelim | s.ExpDelim, 0);
    EXPECT_TRUE(s.InportFile.empty() && s.EtcStr.empty() && s.ExportFile.empty());
    EXPECT_EQ(std::vector<int>(s.ColWidth, s.ColWidth + 5), (std::vector<int>{200, 150, 220, 130, 150}));
}

TEST(Settings, BeforeLoadingEverythingIsZero) {
    const TSettings s;
    EXPECT_FALSE(s.Comma || s.Preview || s.DblQ);
    EXPECT_EQ(s.ColWidth[0], 0);
}

TEST(Settings, SavingWritesAll28ValuesAsTextInOrder) {
    FakeRegistry registry;
    TSettings s = DefaultSettings();
    s.Left = -1200; // a window on a monitor left of the primary one
    s.Top = 15;
    s.InportFile = "C:\\\x95\x5C.csv";
    SaveSettings(registry, s);
    EXPECT_EQ(registry.writes, kNames);
    const auto& v = registry.sections.at("Setting");
    EXPECT_EQ(v.size(), 28u);
    EXPECT_EQ(v.at("Left").text, "-1200");
    EXPECT_EQ(v.at("Top").text, "15");
    EXPECT_EQ(v.at("Comma").text, "1");
    EXPECT_EQ(v.at("Tab").text, "0");
    EXPECT_EQ(v.at("ColWidth2").text, "220");
    EXPECT_EQ(v.at("InportFile").text, "C:\\\x95\x5C.csv");
    EXPECT_EQ(v.at("ExportFile").text, "");
    ASSERT_EQ(SettingCount(), 41);
    for (int i = 0; i < 28; ++i)
        EXPECT_EQ(SettingName(i), kNames[static_cast<std::size_t>(i)]);
    EXPECT_EQ(SettingName(28), "RecoveryShown");
    EXPECT_EQ(SettingName(29), "ClipboardClear");
    EXPECT_EQ(SettingName(30), "ClipboardClearSeconds");
    EXPECT_EQ(SettingName(31), "MasterPassword");
    EXPECT_EQ(SettingName(32), "GenLength");
    EXPECT_EQ(SettingName(38), "GenNoLookAlikes");
    EXPECT_EQ(SettingName(39), "LockMinutes");
    EXPECT_EQ(SettingName(40), "LockOnSessionLock");
}

TEST(Settings, TheGeneratorsChoicesAreStoredOnlyOnceTheyDifferFromTheirDefaults) {
    FakeRegistry registry;
    TSettings s;
    LoadSettings(registry, s);
    EXPECT_EQ(s.GenLength, 20);
    EXPECT_TRUE(s.GenUpper && s.GenLower && s.GenDigits && s.GenSymbols && !s.GenNoLookAlikes);
    EXPECT_EQ(s.GenSymbolSet, "!#$%&()*+,-./:;<=>?@[]^_{|}~");
    SaveSettings(registry, s);
    EXPECT_EQ(registry.sections.at("Setting").count("GenSymbolSet"), 0u);
    s.GenSymbolSet = "!#";
    s.GenLength = 200; // out of range: read back as the default
    SaveSettings(registry, s);
    EXPECT_EQ(registry.sections.at("Setting").at("GenSymbolSet").text, "!#");
    TSettings next;
    LoadSettings(registry, next);
    EXPECT_EQ(next.GenSymbolSet, "!#");
    EXPECT_EQ(next.GenLength, 20);
    EXPECT_EQ(registry.sections.at("Setting").count("GenUpper"), 0u);
}

TEST(Settings, TheClipboardValuesAreStoredOnceChangedAndFromThenOnAlways) {
    FakeRegistry registry;
    TSettings s;
    LoadSettings(registry, s);
    EXPECT_TRUE(s.ClipboardClear);
    EXPECT_EQ(s.ClipboardClearSeconds, 20);
    s.ClipboardClear = false;
    SaveSettings(registry, s);
    EXPECT_EQ(registry.writes.back(), "ClipboardClear"); // the seconds, still at their default, are not
    EXPECT_EQ(registry.sections.at("Setting").at("ClipboardClear").text, "0");

    TSettings next;
    LoadSettings(registry, next);
    EXPECT_FALSE(next.ClipboardClear);
    next.ClipboardClear = true; // back to the default: the stored "0" must not stay
    registry.writes.clear();
    SaveSettings(registry, next);
    EXPECT_EQ(registry.writes.back(), "ClipboardClear");
    EXPECT_EQ(registry.sections.at("Setting").at("ClipboardClear").text, "1");
    EXPECT_EQ(registry.sections.at("Setting").count("ClipboardClearSeconds"), 0u);
}

TEST(Settings, TheMasterPasswordsRecordIsInTheRegistryOnlyWhileOneIsSet) {
    FakeRegistry registry;
    TSettings s;
    LoadSettings(registry, s);
    SaveSettings(registry, s);
    EXPECT_EQ(registry.sections.at("Setting").count("MasterPassword"), 0u);
    s.MasterPassword = true;
    SaveSettings(registry, s);
    EXPECT_EQ(registry.sections.at("Setting").at("MasterPassword").text, "1");

    TSettings next;
    LoadSettings(registry, next);
    EXPECT_TRUE(next.MasterPassword);
    next.MasterPassword = false;
    SaveSettings(registry, next);
    EXPECT_EQ(registry.sections.at("Setting").count("MasterPassword"), 0u);
}

TEST(Settings, TheTimeOfTheLastRecoveryFileShownIsStoredOnlyOnceSet) {
    FakeRegistry registry;
    TSettings s = DefaultSettings();
    s.RecoveryShown = 133000000000000123; // a file time: beyond 32 bits
    SaveSettings(registry, s);
    EXPECT_EQ(registry.sections.at("Setting").at("RecoveryShown").text, "133000000000000123");
    TSettings back;
    LoadSettings(registry, back);
    EXPECT_EQ(back, s);
    registry.SetText("Setting", "RecoveryShown", "12x");
    LoadSettings(registry, back);
    EXPECT_EQ(back.RecoveryShown, 0);
}

TEST(Settings, WhatIsSavedReadsBackTheSame) {
    FakeRegistry registry;
    TSettings s = DefaultSettings();
    s.OnTop = true;
    s.Comma = false;
    s.Left = -5;
    s.Height = 2147483647;
    s.orgHeight = -2147483647 - 1;
    s.EtcStr = "\x81\x45";
    s.ColWidth[4] = 0;
    SaveSettings(registry, s);
    TSettings back;
    LoadSettings(registry, back);
    EXPECT_EQ(back, s);
}

struct TextCase {
    const char* name;
    const char* text;
    const char* savedAs; // text form after a load and a save
};

class SettingsTextForms : public ::testing::TestWithParam<TextCase> {};

TEST_P(SettingsTextForms, ReadAndWrittenBack) {
    const TextCase c = GetParam();
    FakeRegistry registry;
    registry.SetText("Setting", c.name, c.text);
    TSettings s;
    LoadSettings(registry, s);
    SaveSettings(registry, s);
    EXPECT_EQ(registry.sections.at("Setting").at(c.name).text, c.savedAs) << c.name << "=" << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SettingsTextForms,
    ::testing::Values(TextCase{"Left", "abc", "0"}, TextCase{"Left", "-640", "-640"}, TextCase{"Left", "+7", "7"},
                      TextCase{"Left", "12x", "0"}, TextCase{"Left", "", "0"}, TextCase{"Left", "-", "0"},
                      TextCase{"Left", "99999999999", "0"}, TextCase{"ColWidth1", "abc", "150"},
                      TextCase{"ColWidth1", "-3", "-3"}, TextCase{"HidePass", "5", "1"},
                      TextCase{"HidePass", "0", "0"}, TextCase{"HidePass", "abc", "0"},
                      TextCase{"Comma", "abc", "1"}, TextCase{"Comma", "0", "0"}, TextCase{"Preview", "", "1"},
                      TextCase{"DblQ", "-1", "1"}, TextCase{"EtcStr", "  x ", "  x "},
                      TextCase{"InpDelim", "2", "2"}, TextCase{"ClipboardClear", "0", "0"},
                      TextCase{"ClipboardClearSeconds", "3600", "3600"}, TextCase{"ClipboardClearSeconds", "1", "1"},
                      TextCase{"ClipboardClearSeconds", "0", "20"}, TextCase{"ClipboardClearSeconds", "3601", "20"},
                      TextCase{"ClipboardClearSeconds", "-5", "20"}, TextCase{"ClipboardClearSeconds", "2s", "20"}));

TEST(Settings, AValueOfAnotherTypeStopsTheReadingAndTheRestTakeDefaults) {
    FakeRegistry registry;
    registry.SetText("Setting", "OnTop", "1");
    registry.SetText("Setting", "Left", "100");
    registry.SetBinary("Setting", "Height");
    registry.SetText("Setting", "ColWidth0", "333"); // after the failure: not read
    TSettings s;
    EXPECT_EQ(ErrorOf([&] { LoadSettings(registry, s); }), Substitute(sjis<u8"'%s' のデータ型が不正です">(), "Height"));
    EXPECT_TRUE(s.OnTop);
    EXPECT_EQ(s.Left, 100);
    EXPECT_EQ(s.Height, 0);
    EXPECT_EQ(s.ColWidth[0], 200); // not 0: the window keeps usable columns
    EXPECT_TRUE(s.Comma);
}

TEST(Settings, AValueThatCannotBeReadStopsTheReading) {
    FakeRegistry registry;
    registry.SetText("Setting", "Tab", "1");
    registry.unreadable.insert("Tab");
    TSettings s;
    EXPECT_EQ(ErrorOf([&] { LoadSettings(registry, s); }), Substitute(sjis<u8"'%s' の取得に失敗しました">(), "Tab"));
    EXPECT_FALSE(s.Tab);
    EXPECT_EQ(s.ColWidth[3], 130);
}

TEST(Settings, WriteFailures) {
    FakeRegistry registry;
    registry.unwritable.insert("Semi");
    EXPECT_EQ(ErrorOf([&] { SaveSettings(registry, DefaultSettings()); }),
              Substitute(sjis<u8"'%s' の設定に失敗しました">(), "Semi"));
    EXPECT_EQ(registry.writes.back(), "Space"); // the values before it were written
    FakeRegistry noKey;
    noKey.failCreateSection = true;
    EXPECT_EQ(ErrorOf([&] { SaveSettings(noKey, DefaultSettings()); }),
              Substitute(sjis<u8"キー %s の作成に失敗しました">(), "Setting"));
    EXPECT_TRUE(noKey.writes.empty());
}

} // namespace
} // namespace tobrix
