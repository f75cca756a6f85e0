#include "editor/Sub.h"

#include "common/Error.h"
#include "editor/UnitGetBrowser.h"
#include "platform/Messages.h"
#include "platform/Sound.h"
#include "store/ItemDataList.h"

#include <exception>
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

void TfrmSub::cmdSaveClick() {
    // An error here is shown and the dialog stays open; what was stored before stays stored.
    try {
        Save();
    } catch (const std::exception& e) {
        messages_.ShowPlain(ErrorDisplayText(MessageOf(e)));
    }
}

void TfrmSub::Save() {
    if (View().Text(SubField::txtTitle).empty()) {
        sound_.Beep(kBeepDefault);
        View().Focus(SubField::txtTitle);
        return;
    }
    const std::string password = View().Text(SubField::txtPassWord);
    if (password.empty()) {
        sound_.Beep(kBeepDefault);
        View().Focus(SubField::txtPassWord);
        return;
    }

    // Everything is read before anything is stored, so an entry is never left half written.
    auto fields = std::make_unique<TVirtualItem>();
    fields->Title = View().Text(SubField::txtTitle);
    fields->UserID = View().Text(SubField::txtUser);
    fields->Password = password;
    fields->MaskedPassword = password; // the saved row is selected next, so it shows plain
    fields->Memo = View().Text(SubField::txtMemo);
    fields->URL = View().Text(SubField::txtHTML); // as typed, the preset included
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

void TfrmSub::cmdGetClick() {
    TGetBrowser capture(desktop_);
    if (capture.Execute()) {
        View().SetText(SubField::txtHTML, capture.PageURL);
    } else {
        sound_.Beep(kBeepAsterisk);
        View().SetText(SubField::txtHTML, kPresetAddress);
    }
}

} // namespace tobrix
