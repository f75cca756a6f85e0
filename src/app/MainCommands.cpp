#include "app/MainCommands.h"

#include "about/About.h"
#include "app/AddressToOpen.h"
#include "app/MainClipboardClear.h"
#include "app/MainList.h"
#include "app/MainState.h"
#include "app/MainUndo.h"
#include "app/MainView.h"
#include "editor/Sub.h"
#include "platform/Clipboard.h"
#include "platform/Messages.h"
#include "platform/Shell.h"
#include "platform/Sound.h"
#include "store/ItemDataList.h"

namespace tobrix {

const TVirtualItem* MainCommands::Selected() const {
    const int entry = c_.list.SelectedEntry();
    return entry >= 0 ? &c_.items.At(entry) : nullptr;
}

bool MainCommands::Update(CommandId id) const {
    const TVirtualItem* const item = Selected();
    switch (id) {
    case CommandId::actEdit:
    case CommandId::actDel: return item != nullptr;
    case CommandId::actHTML:
    case CommandId::actHcopy: // an entry still holding the editor's preset has no address yet
        return item != nullptr && !item->URL.empty() && item->URL != kPresetAddress;
    case CommandId::actTcopy: return item != nullptr && !item->Title.empty();
    case CommandId::actUcopy: return item != nullptr && !item->UserID.empty();
    case CommandId::actPcopy: return item != nullptr && !item->Password.empty();
    case CommandId::actMcopy: return item != nullptr && !item->Memo.empty();
    case CommandId::actAutoPaste:
        return item != nullptr && !(item->UserID.empty() && item->Password.empty() && item->Memo.empty());
    default: return true;
    }
}

void MainCommands::Execute(CommandId id) {
    if (!Update(id))
        return;
    switch (id) {
    case CommandId::actNew: actNewExecute(); break;
    case CommandId::actEdit: actEditExecute(); break;
    case CommandId::actDel: actDelExecute(); break;
    case CommandId::actHTML: actHTMLExecute(); break;
    case CommandId::actTcopy: actTcopyExecute(); break;
    case CommandId::actUcopy: actUcopyExecute(); break;
    case CommandId::actPcopy: actPcopyExecute(); break;
    case CommandId::actMcopy: actMcopyExecute(); break;
    case CommandId::actHcopy: actHcopyExecute(); break;
    case CommandId::actAbout: actAboutExecute(); break;
    default: break;
    }
}

void MainCommands::actNewExecute() {
    TfrmSub sub(c_.items, c_.host, c_.sound, c_.messages, c_.desktop, c_.browserAddress);
    sub.EditMode = false;
    sub.ItemIndex = -1;
    const int before = c_.items.Count();
    c_.view.RunSubDialog(sub);
    for (int i = before; i < c_.items.Count(); ++i)
        c_.undo.Added(i, 1); // one step per entry saved, as the user made them
    // Entries added while a search text was on were shown anyway; from now on they are
    // shown among all the others, the last one selected.
    if (c_.items.Count() > before && c_.list.Filtering()) {
        c_.list.ClearFilter();
        c_.list.RefreshList(c_.items.Count() - 1);
    }
}

void MainCommands::actEditExecute() {
    TfrmSub sub(c_.items, c_.host, c_.sound, c_.messages, c_.desktop, c_.browserAddress);
    sub.EditMode = true;
    sub.ItemIndex = c_.list.SelectedEntry();
    if (sub.ItemIndex < 0)
        return;
    // Copied straight to the heap: the fields leave no copy on the stack behind.
    auto before = std::make_unique<TVirtualItem>(c_.items.At(sub.ItemIndex));
    try {
        c_.view.RunSubDialog(sub);
    } catch (...) {
        WipeEntry(*before);
        throw;
    }
    c_.undo.Edited(sub.ItemIndex, std::move(before));
}

void MainCommands::lsvListDblClick() {
    if (c_.list.SelectedEntry() >= 0)
        actEditExecute();
}

void MainCommands::actDelExecute() {
    const int i = c_.list.SelectedEntry();
    if (i < 0)
        return;
    c_.undo.Deleted(i, c_.items.Take(i));
    c_.state.EndPaste();
    // The entry shown after it, or the new last one, takes the selection.
    c_.list.EntryRemoved(i);
    c_.state.SetModified(); // also when the list became empty
}

void MainCommands::actHTMLExecute() {
    const TVirtualItem* const item = Selected();
    if (item == nullptr)
        return;
    const AddressToOpen address = AddressFor(item->URL);
    if (address.target.empty()) {
        c_.sound.Beep(kBeepDefault);
        c_.messages.ShowWarning(address.refusal);
        return;
    }
    c_.shell.Open(address.target, Shell::Show::Maximized);
}

void MainCommands::Copy(std::string TVirtualItem::*field) {
    if (const TVirtualItem* const item = Selected())
        c_.clipboard.SetText(item->*field);
}
void MainCommands::actTcopyExecute() { Copy(&TVirtualItem::Title); }
void MainCommands::actUcopyExecute() { Copy(&TVirtualItem::UserID); }
void MainCommands::actPcopyExecute() {
    if (const TVirtualItem* const item = Selected())
        c_.clipboardClear.PasswordCopied(c_.clipboard.SetSecretText(item->Password));
}
void MainCommands::actMcopyExecute() { Copy(&TVirtualItem::Memo); }
void MainCommands::actHcopyExecute() { Copy(&TVirtualItem::URL); }

void MainCommands::actAboutExecute() {
    c_.sound.Beep(kBeepDefault);
    TfrmAbout about(c_.shell);
    c_.view.RunAboutDialog(about);
}

} // namespace tobrix
