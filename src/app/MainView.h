#pragma once
// What the main window's presenter and its parts need of the window and of its list control.

#include "app/CommandTable.h"
#include "lock/MasterPassword.h"
#include "transfer/PasswordCsv.h"

#include <cstdint>
#include <string_view>

namespace tobrix {

class TfrmAbout;
class TfrmExport;
class TfrmInport;
class TfrmPasswordAudit;
class TfrmSub;
class PasswordCsvExportView;

// Where a dragged row would land, as the list shows it while the pointer moves: a line above
// or below a row.
struct DropMark {
    int row = -1; // -1: no mark
    bool below = false;
    bool operator==(const DropMark&) const = default;
};

// What the list part needs of the list control.
class ListControl {
public:
    virtual ~ListControl() = default;
    // Takes a new row count, keeps the scroll position and draws the visible rows again.
    virtual void SetRowCount(int count) = 0;
    // Makes the row selected, then focused, then scrolls it into view (partly is enough).
    virtual void SelectRow(int row) = 0;
    // The selected row, or -1.
    virtual int SelectedRow() const = 0;

    // For dragging rows. The row at a point of the list's client area, or -1.
    virtual int HitTest(int x, int y) const = 0;
    // The list's top edge inside the window's client area, and its height.
    virtual int Top() const = 0;
    virtual int Height() const = 0;
    // The mouse pointer's vertical position in the list's client coordinates.
    virtual int PointerY() const = 0;
    // Scrolls the rows by dy pixels (negative: towards the top).
    virtual void Scroll(int dy) = 0;
    // Shows the mark in place of the one shown before (none for row -1).
    virtual void ShowDropMark(const DropMark& mark) = 0;
    // The text drawn in the list's empty area while it has no row; empty for none.
    virtual void SetEmptyText(std::string_view text) = 0;
    // The row at the top of the list's view, and scrolling so that a row is there (as far as
    // the rows below it allow).
    virtual int TopRow() const = 0;
    virtual void ScrollToTop(int row) = 0;
};

// What the list part needs of the search field above the list.
class SearchBox {
public:
    virtual ~SearchBox() = default;
    // Empties the field; the change comes back like one the user made.
    virtual void Clear() = 0;
    // The focus to the field, its text selected.
    virtual void Focus() = 0;
    // The focus to the list.
    virtual void FocusList() = 0;
    // The text at the right end of the search row; empty for none.
    virtual void ShowCount(std::string_view text) = 0;
    // Puts a text in the field; the change comes back like one the user made.
    virtual void SetText(std::string_view text) = 0;
};

struct WindowBounds {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    bool operator==(const WindowBounds&) const = default;
};

// The main window's timers. The first two tick every 100 ms while enabled.
enum class MainTimer {
    timDrag,        // auto-scroll while a row is dragged
    PasteRenewal,   // the pause before a continuous paste offers the next field
    ClipboardClear, // the wait before a copied password leaves the clipboard; started with its own interval
    LockIdle,       // the idle time before the window locks itself; started with its own interval
    Autosave,       // the pause between a change and its copy in the session file; started with its own interval
};

// What TfrmMain needs of its window.
class MainView : public PasswordCsvView, public PasswordDialogs {
public:
    virtual ~MainView() = default;
    virtual ListControl& List() = 0;
    virtual SearchBox& Search() = 0;
    // The check mark of a checkable command or menu item, wherever it is shown.
    virtual void SetChecked(CommandId id, bool checked) = 0;
    // Keeps the window above all ordinary windows, or not.
    virtual void SetTopMost(bool topMost) = 0;
    // The window's placement; while minimised, the placement it returns to.
    virtual WindowBounds Bounds() const = 0;
    virtual void SetBounds(const WindowBounds& bounds) = 0;
    virtual int ColumnWidth(int column) const = 0;
    virtual void SetColumnWidth(int column, int width) = 0;
    // Height in pixels of the text drawn in the list's font.
    virtual int ListTextHeight(std::string_view text) const = 0;
    // Height of the caption bar with the upper and lower frame: a window rolled up by the
    // shade is this high.
    virtual int CaptionStripHeight() const = 0;
    virtual void Close() = 0;
    // Asks Windows to hold the end of the session, with the reason shown to the user; or no
    // longer.
    virtual void BlockShutdown(std::string_view reason) = 0;
    virtual void AllowShutdown() = 0;
    virtual void SetTimer(MainTimer timer, bool enabled) = 0;
    // Starts the timer ticking every `milliseconds`, counted from now also when it was running
    // already; SetTimer(timer, false) stops it.
    virtual void StartTimer(MainTimer timer, int milliseconds) = 0;
    // Posts the continuous paste's renewal message to the window itself.
    virtual void PostPasteStep() = 0;
    // Shows the window locked (no list, no search row: the lock's text and its unlock button)
    // or as usual again.
    virtual void ShowLocked(bool locked) = 0;

    // Shows the dialog for the presenter modally, the main window as its owner.
    virtual void RunSubDialog(TfrmSub& sub) = 0;
    virtual void RunAboutDialog(TfrmAbout& about) = 0;
    virtual void RunInportDialog(TfrmInport& inport) = 0;
    virtual void RunExportDialog(TfrmExport& exporter) = 0;
    virtual void RunPasswordAuditDialog(TfrmPasswordAudit& audit) = 0;
    // The save dialog of the password CSV export.
    virtual PasswordCsvExportView& CsvExportView() = 0;
};

} // namespace tobrix
