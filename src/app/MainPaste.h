#pragma once
// Continuous paste: the user ID, the password and the memo of the selected entry go to
// another program through that program's own paste command, one field per paste. The main
// window puts a promise of text on the clipboard; each request for it is answered with the
// next non-empty field, and shortly after each answer a fresh promise takes the text's place
// so that the next paste asks again.

#include <cstdint>

namespace tobrix {

class Clipboard;
class ItemDataList;
class MainList;
class MainView;
struct MainState;

class MainPaste {
public:
    MainPaste(MainView& view, const MainList& list, ItemDataList& items, MainState& state, Clipboard& clipboard);

    // Ctrl+V: starts the sequence at the user ID, also when one is under way.
    void actAutoPasteExecute();
    // Ends a sequence under way (the window locks): the field handed over last leaves the
    // clipboard for a promise that is answered with nothing.
    void End();
    // Whether the command shows checked: a sequence is under way.
    bool actAutoPasteChecked() const;
    // Empties the clipboard and promises text on it, with the main window as its owner.
    void OfferClipboardText();
    // Another program asks for the promised text: the next field of the entry at the
    // selected row, read now; nothing when no sequence runs or no row is selected.
    void WMRenderFormat();
    // Posted after each answer: once the requesting program has its text, the renewal waits
    // a little on the paste timer.
    void WMPasteStep();
    // The paste timer: the step advances and a fresh promise replaces the text handed over.
    void timPasteTimer();

private:
    MainView& view_;
    const MainList& list_;
    ItemDataList& items_;
    MainState& state_;
    Clipboard& clipboard_;
};

} // namespace tobrix
