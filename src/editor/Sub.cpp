#include "editor/Sub.h"

#include "common/Error.h"
#include "editor/Generate.h"
#include "editor/UnitGetBrowser.h"
#include "platform/BrowserAddress.h"
#include "platform/Messages.h"
#include "platform/Sound.h"
#include "store/ItemDataList.h"

#include <exception>
#include <utility>
#include <memory>

namespace tobrix {

void TfrmSub::FormShow() {
    if (!EditMode) {
        View().SetCaption(kSubCaptionAdd);
        return;
    }
    View().SetCaption(kSubCaptionEdit);
    const TVirtualItem& item = items_.At(ItemIndex);
    View().SetText(SubField::txtTitle, item.Title);
    View().SetText(SubField::txtUser, item.UserID);
    View().SetText(SubField::txtPassWord, item.Password);
    View().SetText(SubField::txtMemo, item.Memo);
    View().SetText(SubField::txtHTML, item.URL);
}

namespace {

// A field as the user knows it, for messages.
std::string_view NameOf(SubField field) {
    switch (field) {
    case SubField::txtTitle: return sjis<u8"タイトル">();
    case SubField::txtUser: return sjis<u8"ユーザーＩＤ">();
    case SubField::txtPassWord: return sjis<u8"パスワード">();
    case SubField::txtMemo: return sjis<u8"メモ">();
    case SubField::txtHTML: return sjis<u8"HPアドレス">();
    }
    return {};
}

} // namespace

void TfrmSub::cmdSaveClick() {
    // An error here is shown as it is and the dialog stays open; what was stored before
    // stays stored.
    try {
        Save();
    } catch (const std::exception& e) {
        messages_.ShowPlain(MessageOf(e));
    }
}

void TfrmSub::Save() {
    // Everything is read before anything is stored, so an entry is never left half written.
    // Text from other systems keeps its look-alikes (a wave dash, a minus sign) as the code
    // page 932 characters they stand for, but not in the user ID and the password: there the
    // other character would make another credential than the one the site knows.
    std::optional<std::string> title = View().Text(SubField::txtTitle, LookAlikes::Mapped);
    std::optional<std::string> user = View().Text(SubField::txtUser, LookAlikes::Refused);
    std::optional<std::string> password = View().Text(SubField::txtPassWord, LookAlikes::Refused);
    std::optional<std::string> memo = View().Text(SubField::txtMemo, LookAlikes::Mapped);
    std::optional<std::string> url = View().Text(SubField::txtHTML, LookAlikes::Mapped);

    if (title && title->empty()) {
        sound_.Beep(kBeepDefault);
        View().Focus(SubField::txtTitle);
        return;
    }
    if (password && password->empty()) {
        sound_.Beep(kBeepDefault);
        View().Focus(SubField::txtPassWord);
        return;
    }
    // A character that code page 932 cannot hold would be stored as '?': for a password
    // that is a different password. Such a field is refused, never stored altered; the
    // first one in tab order gets the focus.
    const std::pair<const std::optional<std::string>*, SubField> read[] = {
        {&title, SubField::txtTitle}, {&user, SubField::txtUser}, {&password, SubField::txtPassWord},
        {&memo, SubField::txtMemo},   {&url, SubField::txtHTML},
    };
    for (const auto& [text, field] : read) {
        if (!*text) {
            WarnNotCp932(messages_, NameOf(field));
            View().Focus(field);
            return;
        }
    }

    auto fields = std::make_unique<TVirtualItem>();
    fields->Title = std::move(*title);
    fields->UserID = std::move(*user);
    fields->Password = std::move(*password);
    fields->MaskedPassword = fields->Password; // the saved row is selected next, so it shows plain
    fields->Memo = std::move(*memo);
    fields->URL = std::move(*url); // as typed, the preset included
    fields->ImageIndex = -1;

    int index = ItemIndex;
    if (EditMode) {
        TVirtualItem& item = items_.At(index);
        item.Title = std::move(fields->Title);
        item.UserID = std::move(fields->UserID);
        item.Password = std::move(fields->Password);
        item.MaskedPassword = std::move(fields->MaskedPassword);
        item.Memo = std::move(fields->Memo);
        item.URL = std::move(fields->URL);
        item.ImageIndex = -1;
    } else {
        index = items_.Append(std::move(fields));
    }

    host_.RefreshList(index);
    host_.SetModified();

    if (EditMode) {
        View().Close();
        return;
    }
    View().SetText(SubField::txtTitle, "");
    View().SetText(SubField::txtUser, "");
    View().SetText(SubField::txtPassWord, "");
    View().SetText(SubField::txtMemo, "");
    View().SetText(SubField::txtHTML, kPresetAddress);
    View().Focus(SubField::txtTitle);
}

void TfrmSub::cmdCloseClick() { View().Close(); }

void TfrmSub::txtHTMLEnter() { View().PlaceCaretAtEnd(SubField::txtHTML); }

TfrmSub::~TfrmSub() {
    if (capturing_)
        reader_.Cancel();
}

void TfrmSub::Detach() {
    if (capturing_) {
        capturing_ = false;
        reader_.Cancel();
    }
    view_ = nullptr;
}

void TfrmSub::cmdGetClick() {
    TGetBrowser capture(desktop_);
    if (capture.Execute()) {
        View().SetText(SubField::txtHTML, capture.PageURL);
        return;
    }
    if (capturing_)
        return; // one reading at a time
    capturing_ = true;
    View().SetCapturing(true);
    reader_.Start([this](std::optional<std::string> address) { CaptureDone(std::move(address)); });
}

void TfrmSub::cmdGenerateClick() {
    TfrmGenerate generate(host_.GeneratorRandom(), sound_, host_.GeneratorSettings());
    View().RunGenerator(generate);
    if (!generate.Used())
        return;
    View().SetText(SubField::txtPassWord, generate.Password());
    View().Focus(SubField::txtPassWord);
}

void TfrmSub::CaptureDone(std::optional<std::string> address) {
    // An answer that arrives after the window went, or after its reading was dropped, is
    // not this editor's any more.
    if (!capturing_ || view_ == nullptr)
        return;
    capturing_ = false;
    View().SetCapturing(false);
    if (address) {
        View().SetText(SubField::txtHTML, *address);
    } else {
        sound_.Beep(kBeepAsterisk);
        View().SetText(SubField::txtHTML, kPresetAddress);
    }
}

} // namespace tobrix
