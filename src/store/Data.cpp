#include "store/Data.h"

#include "common/Error.h"
#include "platform/Registry.h"

#include <charconv>
#include <iterator>
#include <limits>

namespace tobrix {

TSettings Settings;

namespace {

constexpr std::string_view kMsgWrongType = sjis<u8"'%s' のデータ型が不正です">();
constexpr std::string_view kMsgReadFailed = sjis<u8"'%s' の取得に失敗しました">();
constexpr std::string_view kMsgWriteFailed = sjis<u8"'%s' の設定に失敗しました">();
constexpr std::string_view kMsgCreateKeyFailed = sjis<u8"キー %s の作成に失敗しました">();

enum class Kind { Bool, Int, String, Time };

struct Field {
    std::string_view name;
    Kind kind;
    std::int32_t defaultValue; // booleans: 1 for true; strings default to empty
    bool TSettings::*boolField = nullptr;
    std::int32_t TSettings::*intField = nullptr;
    std::string TSettings::*stringField = nullptr;
    int column = -1; // ColWidth<column>
    std::int64_t TSettings::*timeField = nullptr; // 0 by default, written only when set
    // Integers: a stored number outside the range reads as the default.
    std::int32_t low = std::numeric_limits<std::int32_t>::min();
    std::int32_t high = std::numeric_limits<std::int32_t>::max();
    // Written only when it was in the registry at load or differs from its default: values
    // added later stay out of the registry of a user who never changes them.
    bool sparse = false;
    // Kept only while it differs from its default: back at the default, it is removed.
    bool whileSet = false;
    std::string_view textDefault = {}; // strings
};

constexpr Field B(std::string_view name, bool TSettings::*field, bool def) {
    return {name, Kind::Bool, def ? 1 : 0, field};
}
constexpr Field I(std::string_view name, std::int32_t TSettings::*field, std::int32_t def) {
    return {name, Kind::Int, def, nullptr, field};
}
constexpr Field InRange(Field f, std::int32_t low, std::int32_t high) {
    f.low = low;
    f.high = high;
    return f;
}
constexpr Field Sparse(Field f) {
    f.sparse = true;
    return f;
}
constexpr Field WhileSet(Field f) {
    f.whileSet = true;
    return f;
}
constexpr Field S(std::string_view name, std::string TSettings::*field) {
    return {name, Kind::String, 0, nullptr, nullptr, field};
}
constexpr Field S(std::string_view name, std::string TSettings::*field, std::string_view def) {
    Field f = S(name, field);
    f.textDefault = def;
    return f;
}
constexpr Field W(std::string_view name, int column, std::int32_t def) {
    return {name, Kind::Int, def, nullptr, nullptr, nullptr, column};
}
constexpr Field T(std::string_view name, std::int64_t TSettings::*field) {
    return {name, Kind::Time, 0, nullptr, nullptr, nullptr, -1, field};
}

// The order is the order of reading and writing.
constexpr Field kFields[] = {
    B("OnTop", &TSettings::OnTop, false),
    B("HidePass", &TSettings::HidePass, false),
    B("Shard", &TSettings::Shard, false),
    I("Left", &TSettings::Left, 0),
    I("Top", &TSettings::Top, 0),
    I("Width", &TSettings::Width, 0),
    I("Height", &TSettings::Height, 0),
    I("orgHeight", &TSettings::orgHeight, 0),
    S("InportFile", &TSettings::InportFile),
    I("StartNum", &TSettings::StartNum, 0),
    B("Tab", &TSettings::Tab, false),
    B("Comma", &TSettings::Comma, true),
    B("Space", &TSettings::Space, false),
    B("Semi", &TSettings::Semi, false),
    B("Etc", &TSettings::Etc, false),
    S("EtcStr", &TSettings::EtcStr),
    I("InpDelim", &TSettings::InpDelim, 0),
    B("Same", &TSettings::Same, false),
    B("Preview", &TSettings::Preview, true),
    S("ExportFile", &TSettings::ExportFile),
    I("ExpDelim", &TSettings::ExpDelim, 0),
    B("DblQ", &TSettings::DblQ, true),
    B("Head", &TSettings::Head, false),
    W("ColWidth0", 0, 200),
    W("ColWidth1", 1, 150),
    W("ColWidth2", 2, 220),
    W("ColWidth3", 3, 130),
    W("ColWidth4", 4, 150),
    T("RecoveryShown", &TSettings::RecoveryShown),
    Sparse(B("ClipboardClear", &TSettings::ClipboardClear, true)),
    Sparse(InRange(I("ClipboardClearSeconds", &TSettings::ClipboardClearSeconds, 20), 1, 3600)),
    WhileSet(B("MasterPassword", &TSettings::MasterPassword, false)),
    Sparse(InRange(I("GenLength", &TSettings::GenLength, kGenDefaultLength), kGenMinLength, kGenMaxLength)),
    Sparse(B("GenUpper", &TSettings::GenUpper, true)),
    Sparse(B("GenLower", &TSettings::GenLower, true)),
    Sparse(B("GenDigits", &TSettings::GenDigits, true)),
    Sparse(B("GenSymbols", &TSettings::GenSymbols, true)),
    Sparse(S("GenSymbolSet", &TSettings::GenSymbolSet, kGenDefaultSymbols)),
    Sparse(B("GenNoLookAlikes", &TSettings::GenNoLookAlikes, false)),
    Sparse(InRange(I("LockMinutes", &TSettings::LockMinutes, kLockDefaultMinutes), 0, kLockMaxMinutes)),
    Sparse(B("LockOnSessionLock", &TSettings::LockOnSessionLock, true)),
};

bool ParseTime(std::string_view text, std::int64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

std::int32_t& IntRef(TSettings& s, const Field& f) { return f.column >= 0 ? s.ColWidth[f.column] : s.*(f.intField); }
std::int32_t IntValue(const TSettings& s, const Field& f) {
    return f.column >= 0 ? s.ColWidth[f.column] : s.*(f.intField);
}

void SetDefault(TSettings& s, const Field& f) {
    switch (f.kind) {
    case Kind::Bool: s.*(f.boolField) = f.defaultValue != 0; break;
    case Kind::Int: IntRef(s, f) = f.defaultValue; break;
    case Kind::String: s.*(f.stringField) = std::string(f.textDefault); break;
    case Kind::Time: s.*(f.timeField) = 0; break;
    }
}

void SetFromText(TSettings& s, const Field& f, const std::string& text) {
    std::int32_t value = 0;
    switch (f.kind) {
    case Kind::Bool: s.*(f.boolField) = (ParseInt(text, value) ? value : f.defaultValue) != 0; break;
    case Kind::Int:
        IntRef(s, f) = ParseInt(text, value) && value >= f.low && value <= f.high ? value : f.defaultValue;
        break;
    case Kind::String: s.*(f.stringField) = text; break;
    case Kind::Time: {
        std::int64_t time = 0;
        s.*(f.timeField) = ParseTime(text, time) ? time : 0;
        break;
    }
    }
}

bool AtDefault(const TSettings& s, const Field& f) {
    switch (f.kind) {
    case Kind::Bool: return s.*(f.boolField) == (f.defaultValue != 0);
    case Kind::Int: return IntValue(s, f) == f.defaultValue;
    case Kind::String: return s.*(f.stringField) == f.textDefault;
    case Kind::Time: return s.*(f.timeField) == 0;
    }
    return false;
}

std::string TextOf(const TSettings& s, const Field& f) {
    switch (f.kind) {
    case Kind::Bool: return s.*(f.boolField) ? "1" : "0";
    case Kind::Int: return IntText(IntValue(s, f));
    case Kind::String: return s.*(f.stringField);
    case Kind::Time: return std::to_string(s.*(f.timeField));
    }
    return {};
}

} // namespace

std::string IntText(std::int32_t value) { return std::to_string(value); }

bool ParseInt(std::string_view text, std::int32_t& value) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.front() == '+')
        return false;
    std::int32_t parsed = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed, 10);
    if (error != std::errc() || end != text.data() + text.size())
        return false;
    value = parsed;
    return true;
}

TSettings DefaultSettings() {
    TSettings s;
    for (const Field& f : kFields)
        SetDefault(s, f);
    return s;
}

void LoadSettings(Registry& registry, TSettings& settings) {
    settings.Present.clear();
    const std::size_t count = std::size(kFields);
    for (std::size_t i = 0; i < count; ++i) {
        const Field& f = kFields[i];
        const Registry::ReadResult value = registry.Read(kSettingSection, f.name);
        switch (value.status) {
        case Registry::ReadStatus::Missing: SetDefault(settings, f); break;
        case Registry::ReadStatus::Text:
            SetFromText(settings, f, value.text);
            if (f.sparse || f.whileSet)
                settings.Present.insert(f.name);
            break;
        case Registry::ReadStatus::WrongType:
        case Registry::ReadStatus::Failed:
            // The values not read yet take their defaults, so that the window still opens
            // with usable column widths.
            for (std::size_t k = i; k < count; ++k)
                SetDefault(settings, kFields[k]);
            throw AppError(Substitute(value.status == Registry::ReadStatus::WrongType ? kMsgWrongType : kMsgReadFailed,
                                  f.name));
        }
    }
}

void SaveSettings(Registry& registry, const TSettings& settings) {
    if (!registry.CreateSection(kSettingSection))
        throw AppError(Substitute(kMsgCreateKeyFailed, kSettingSection));
    for (const Field& f : kFields) {
        if (f.kind == Kind::Time && settings.*(f.timeField) == 0)
            continue; // not there before it is needed
        if (f.sparse && AtDefault(settings, f) && !settings.Present.contains(f.name))
            continue;
        if (f.whileSet && AtDefault(settings, f)) {
            if (settings.Present.contains(f.name) && !registry.Remove(kSettingSection, f.name))
                throw AppError(Substitute(kMsgWriteFailed, f.name));
            continue;
        }
        if (!registry.Write(kSettingSection, f.name, TextOf(settings, f)))
            throw AppError(Substitute(kMsgWriteFailed, f.name));
    }
}

int SettingCount() { return static_cast<int>(std::size(kFields)); }

std::string_view SettingName(int index) { return kFields[index].name; }

} // namespace tobrix
