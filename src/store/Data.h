#pragma once
// The settings: view options, window geometry, column widths and the last import and
// export choices, stored as text values under the registry section "Setting".

#include "common/Cp932Literal.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace tobrix {

class Registry;

inline constexpr std::string_view kSettingSection = "Setting";
inline constexpr int kColumnCount = 5;

// The password generator's length bounds and its defaults.
inline constexpr int kGenMinLength = 4;
inline constexpr int kGenMaxLength = 128;
inline constexpr int kGenDefaultLength = 20;
inline constexpr int kLockDefaultMinutes = 10;
inline constexpr int kLockMaxMinutes = 1440;
inline constexpr std::string_view kGenDefaultSymbols = "!#$%&()*+,-./:;<=>?@[]^_{|}~";

// Every field is named after its registry value. Before LoadSettings every field is
// false, 0 or empty.
struct TSettings {
    bool OnTop = false;
    bool HidePass = false;
    bool Shard = false;
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t orgHeight = 0;
    std::string InportFile;
    std::int32_t StartNum = 0;
    bool Tab = false;
    bool Comma = false;
    bool Space = false;
    bool Semi = false;
    bool Etc = false;
    std::string EtcStr;
    std::int32_t InpDelim = 0;
    bool Same = false;
    bool Preview = false;
    std::string ExportFile;
    std::int32_t ExpDelim = 0;
    bool DblQ = false;
    bool Head = false;
    std::int32_t ColWidth[kColumnCount] = {};
    // The last write time of the last recovery file the user was told of (0: none), so that
    // one is announced once. Stored only once set.
    std::int64_t RecoveryShown = 0;
    // Whether a copied password is taken off the clipboard again, and after how many seconds
    // (1 to 3600). Stored only once they differ from their defaults.
    bool ClipboardClear = false;
    std::int32_t ClipboardClearSeconds = 0;
    // Set while the data file is protected with a master password, so that a file replaced by
    // one that is not (an old copy, an empty file) is noticed at start. Stored only once set.
    bool MasterPassword = false;
    // The password generator's last choices taken with 「使用」. Stored only once they differ
    // from their defaults.
    std::int32_t GenLength = 0;
    bool GenUpper = false;
    bool GenLower = false;
    bool GenDigits = false;
    bool GenSymbols = false;
    std::string GenSymbolSet;
    bool GenNoLookAlikes = false;
    // With a master password: the idle minutes before the window locks itself (0: never), and
    // whether it locks when Windows locks the session or goes to sleep. Stored only once they
    // differ from their defaults.
    std::int32_t LockMinutes = 0;
    bool LockOnSessionLock = false;
    // Which of the values stored only when needed were in the registry at load: those are
    // written at every save, so that a value put back to its default replaces the old one.
    std::set<std::string_view> Present;

    bool operator==(const TSettings&) const = default;
};

// The settings of the whole process.
extern TSettings Settings;

// Settings with every field at its default (what an empty registry gives).
TSettings DefaultSettings();

// Reads every field, in order, from the registry; a missing value, or a text that is no
// valid number for a number field or a number outside the field's range, gives the default.
// A value that is not text or cannot be read stops the reading with AppError; the fields not
// read by then take their defaults.
void LoadSettings(Registry& registry, TSettings& settings);

// Writes every field, in order, as text: RecoveryShown only once it is set, the clipboard's
// values only when they are in Present or differ from their defaults, MasterPassword only
// while it is set (removed once it is not).
// Throws AppError at the first value that cannot be written, or when the section cannot be
// created.
void SaveSettings(Registry& registry, const TSettings& settings);

// Number of values and their names in reading order (for tests and tools).
int SettingCount();
std::string_view SettingName(int index);

// The text forms: an integer as its decimal text, a boolean as "1" or "0". ParseInt gives
// false for anything but an optional sign and digits within 32 bits.
std::string IntText(std::int32_t value);
bool ParseInt(std::string_view text, std::int32_t& value);

} // namespace tobrix
