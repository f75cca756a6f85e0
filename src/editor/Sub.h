#pragma once
// The item editor: adds entries one after another (staying open) or edits one entry.

#include "common/Cp932.h"
#include "common/Cp932Literal.h"

#include <optional>
#include <string>
#include <string_view>

namespace tobrix {

class BrowserAddressReader;
class Crypto;
class Desktop;
class ItemDataList;
class Messages;
class Sound;
class TfrmGenerate;
struct TSettings;

inline constexpr std::string_view kSubCaptionAdd = sjis<u8"アイテムの登録">();
inline constexpr std::string_view kSubCaptionEdit = sjis<u8"アイテムの編集">();
inline constexpr std::string_view kPresetAddress = "http://www.";

enum class SubField { txtTitle, txtUser, txtPassWord, txtMemo, txtHTML };

// The form's captions.
inline constexpr std::string_view kSubLabelTitle = sjis<u8"タイトル(&T)：">();
inline constexpr std::string_view kSubLabelUser = sjis<u8"ユーザーＩＤ(&U)：">();
inline constexpr std::string_view kSubLabelPassword = sjis<u8"パスワード(&P)：">();
inline constexpr std::string_view kSubLabelMemo = sjis<u8"メモ(&M)：">();
inline constexpr std::string_view kSubLabelAddress = sjis<u8"HPアドレス(&H)：">();
inline constexpr std::string_view kSubButtonSave = sjis<u8"登録">();
inline constexpr std::string_view kSubButtonCancel = sjis<u8"キャンセル">();
inline constexpr std::string_view kSubButtonGet = sjis<u8"取得">();
inline constexpr std::string_view kSubButtonGenerate = sjis<u8"生成(&G)...">();

// What TfrmSub needs of its window.
class SubView {
public:
    virtual ~SubView() = default;
    // The field's text, or nothing when it holds characters that code page 932 cannot hold
    // (among them the look-alikes, unless they are to be mapped).
    virtual std::optional<std::string> Text(SubField field, LookAlikes lookAlikes) const = 0;
    virtual void SetText(SubField field, std::string_view cp932) = 0;
    virtual void Focus(SubField field) = 0;
    // Caret after the last character, nothing selected.
    virtual void PlaceCaretAtEnd(SubField field) = 0;
    virtual void SetCaption(std::string_view cp932) = 0;
    virtual void Close() = 0;
    // While a capture of a browser's address runs, "取得" and the address field are disabled.
    virtual void SetCapturing(bool capturing) = 0;
    // Shows the password generator modally over the editor.
    virtual void RunGenerator(TfrmGenerate& generate) = 0;
};

// What the editor needs of the main window it was opened from.
class SubHost {
public:
    virtual ~SubHost() = default;
    virtual void RefreshList(int index) = 0;
    virtual void SetModified() = 0;
    // What the password generator works with: the system's random source, and the settings
    // that remember its choices.
    virtual Crypto& GeneratorRandom() = 0;
    virtual TSettings& GeneratorSettings() = 0;
};

class TfrmSub {
public:
    TfrmSub(ItemDataList& items, SubHost& host, Sound& sound, Messages& messages, Desktop& desktop,
            BrowserAddressReader& reader)
        : items_(items), host_(host), sound_(sound), messages_(messages), desktop_(desktop), reader_(reader) {}
    // A reading still running when the editor goes is dropped: its answer would find no editor.
    ~TfrmSub();

    // Set by the opener before the dialog is shown.
    bool EditMode = false;
    int ItemIndex = -1;

    // The window calls this once it exists, before FormShow, and Detach when it goes.
    void Attach(SubView& view) { view_ = &view; }
    void Detach();

    void FormShow();
    void cmdSaveClick();
    void cmdCloseClick();
    void txtHTMLEnter();
    // The address of the browser in front: first by the browsers' title words and their
    // "Edit" field, at once; failing that, from today's browsers, read in the background (the
    // answer comes later through CaptureDone). Without an address, the information beep and
    // the preset address.
    void cmdGetClick();
    // The password generator: the password taken with 「使用」 replaces the password field's
    // text; nothing changes otherwise.
    void cmdGenerateClick();

private:
    void Save();
    void CaptureDone(std::optional<std::string> address);
    SubView& View() const { return *view_; }

    ItemDataList& items_;
    SubHost& host_;
    Sound& sound_;
    Messages& messages_;
    Desktop& desktop_;
    BrowserAddressReader& reader_;
    SubView* view_ = nullptr;
    bool capturing_ = false; // a reading of today's browsers is running
};

} // namespace tobrix
