#include "app/MainPaste.h"

#include "app/MainList.h"
#include "app/MainView.h"
#include "app/MainState.h"
#include "platform/Clipboard.h"
#include "store/ItemDataList.h"

#include <string>

namespace tobrix {

MainPaste::MainPaste(MainView& view, const MainList& list, ItemDataList& items, MainState& state, Clipboard& clipboard)
    : view_(view), list_(list), items_(items), state_(state), clipboard_(clipboard) {}

void MainPaste::actAutoPasteExecute() {
    // A renewal still waiting belongs to the old sequence: it must not skip the user ID.
    view_.SetTimer(MainTimer::PasteRenewal, false);
    state_.PasteStep = 1;
    OfferClipboardText();
}

void MainPaste::End() {
    if (state_.PasteStep == 0)
        return;
    view_.SetTimer(MainTimer::PasteRenewal, false);
    state_.EndPaste();
    OfferClipboardText();
}

bool MainPaste::actAutoPasteChecked() const {
    return state_.PasteStep != 0;
}

void MainPaste::OfferClipboardText() {
    clipboard_.OfferText();
}

void MainPaste::WMRenderFormat() {
    const int entry = list_.SelectedEntry();
    if (state_.PasteStep == 0 || entry < 0)
        return;
    const TVirtualItem& item = items_.At(entry);
    const std::string& u = item.UserID;
    const std::string& p = item.Password; // the plain password, whatever the list shows
    const std::string& m = item.Memo;
    const std::string* text = nullptr;
    if (state_.PasteStep == 1) {
        if (u.empty()) {
            state_.PasteStep = 2;
        } else {
            text = &u;
            if (p.empty() && m.empty())
                state_.PasteStep = 4;
        }
    }
    if (state_.PasteStep == 2) {
        if (p.empty()) {
            state_.PasteStep = 3;
        } else {
            text = &p;
            if (m.empty())
                state_.PasteStep = 4;
        }
    }
    if (state_.PasteStep == 3) {
        if (m.empty())
            state_.PasteStep = 4;
        else
            text = &m;
    }
    clipboard_.RenderText(text != nullptr ? std::string_view(*text) : std::string_view());
    // Posted, so that the renewal runs after the requesting program has its text.
    view_.PostPasteStep();
}

void MainPaste::WMPasteStep() {
    if (state_.PasteStep == 0)
        return;
    // The renewal waits on a timer rather than blocking the window for the pause.
    view_.SetTimer(MainTimer::PasteRenewal, true);
}

void MainPaste::timPasteTimer() {
    view_.SetTimer(MainTimer::PasteRenewal, false);
    // A selection change during the pause ended the sequence: the promise is still renewed,
    // so that the text handed over last does not stay on the clipboard, but it is answered
    // with nothing.
    if (state_.PasteStep != 0)
        ++state_.PasteStep;
    OfferClipboardText();
    if (state_.PasteStep > 3)
        state_.PasteStep = 0;
}

} // namespace tobrix
