#pragma once
// The main window without a window: it keeps what the presenter set and answers with it.

#include "app/Main.h"
#include "lock/MasterPassword.h"
#include "transfer/Inport.h"
#include "transfer/PasswordCsvExport.h"
#include "transfer/Preview.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tobrix::test {

class FakeListControl final : public ListControl {
public:
    int rowCount = 0;
    int selected = -1;
    std::vector<std::string> calls; // "count N", "select N"
    // The real control reports selection changes back; tests wire this to the presenter.
    std::function<void(int row, bool selected)> onSelect;

    void SetRowCount(int count) override {
        rowCount = count;
        calls.push_back("count " + std::to_string(count));
        if (selected >= count)
            selected = -1;
    }
    void SelectRow(int row) override {
        calls.push_back("select " + std::to_string(row));
        if (row == selected)
            return;
        const int old = selected;
        selected = row;
        if (onSelect) {
            if (old >= 0)
                onSelect(old, false);
            onSelect(row, true);
        }
    }
    int SelectedRow() const override { return selected; }

    // Rows `rowHeight` high from the list's top; below the last row there is none.
    int rowHeight = 20, top = 26, height = 300, pointerY = 100;
    std::vector<int> scrolls;
    int HitTest(int, int y) const override {
        const int row = y / rowHeight;
        return y >= 0 && row < rowCount ? row : -1;
    }
    int Top() const override { return top; }
    int Height() const override { return height; }
    int PointerY() const override { return pointerY; }
    void Scroll(int dy) override { scrolls.push_back(dy); }
    DropMark dropMark; // the mark shown now
    void ShowDropMark(const DropMark& mark) override { dropMark = mark; }
    std::string emptyText;
    void SetEmptyText(std::string_view text) override { emptyText = text; }
    int topRow = 0;
    int TopRow() const override { return topRow; }
    void ScrollToTop(int row) override { topRow = row; }
};

// The search field: its text as the presenter last set it, the count and where the focus went.
class FakeSearchBox final : public SearchBox {
public:
    int clears = 0;
    std::string count;
    std::string focus; // "search" or "list"
    // The real field reports its change back; tests wire this to the presenter.
    std::function<void()> onClear;
    void Clear() override {
        ++clears;
        if (onClear)
            onClear();
    }
    void Focus() override { focus = "search"; }
    void FocusList() override { focus = "list"; }
    void ShowCount(std::string_view text) override { count = text; }
    std::function<void(std::string_view)> onText;
    void SetText(std::string_view text) override {
        if (onText)
            onText(text);
    }
};

// The password CSV export's windows: the test plays the user in the check and the save dialog.
class FakeCsvExportView final : public PasswordCsvExportView, public PasswordCheckView {
public:
    std::function<void(TfrmPasswordCheck&)> onPasswordCheck;
    std::function<FilePath()> onSaveDialog; // none: cancelled
    int passwordChecks = 0, saveDialogs = 0;
    std::vector<bool> busy;

    void RunPasswordCheck(TfrmPasswordCheck& check) override {
        ++passwordChecks;
        if (onPasswordCheck)
            onPasswordCheck(check);
    }
    std::optional<FilePath> RunSaveDialog() override {
        ++saveDialogs;
        return onSaveDialog ? std::optional<FilePath>(onSaveDialog()) : std::nullopt;
    }
    void SetBusy(bool on) override { busy.push_back(on); }
};

class FakeMainView final : public MainView {
public:
    FakeListControl list;
    FakeSearchBox search;
    std::map<CommandId, bool> checks;
    std::vector<bool> topMostCalls;
    WindowBounds bounds{30, 40, 640, 480}; // the platform's default placement
    std::vector<WindowBounds> setBoundsCalls;
    int columnWidths[kColumnCount] = {200, 150, 220, 130, 150};
    int textHeight = 13;
    int captionStrip = 31;
    bool closed = false;

    ListControl& List() override { return list; }
    SearchBox& Search() override { return search; }
    void SetChecked(CommandId item, bool checked) override { checks[item] = checked; }
    void SetTopMost(bool topMost) override { topMostCalls.push_back(topMost); }
    WindowBounds Bounds() const override { return bounds; }
    void SetBounds(const WindowBounds& b) override {
        setBoundsCalls.push_back(b);
        bounds = b;
    }
    int ColumnWidth(int column) const override { return columnWidths[column]; }
    void SetColumnWidth(int column, int width) override { columnWidths[column] = width; }
    int ListTextHeight(std::string_view) const override { return textHeight; }
    int CaptionStripHeight() const override { return captionStrip; }
    void Close() override { closed = true; }
    std::optional<std::string> shutdownBlocked; // the reason given
    void BlockShutdown(std::string_view reason) override { shutdownBlocked = std::string(reason); }
    void AllowShutdown() override { shutdownBlocked.reset(); }
    std::map<MainTimer, bool> timers;
    std::map<MainTimer, std::vector<int>> starts; // the intervals a timer was started with, in order
    int pasteStepsPosted = 0;
    void SetTimer(MainTimer timer, bool enabled) override { timers[timer] = enabled; }
    void StartTimer(MainTimer timer, int milliseconds) override {
        timers[timer] = true;
        starts[timer].push_back(milliseconds);
    }
    void PostPasteStep() override { ++pasteStepsPosted; }
    bool locked = false;
    void ShowLocked(bool on) override { locked = on; }

    // What happens while a modal dialog is open: the test plays the user.
    std::function<void(TfrmSub&)> onSubDialog;
    std::function<void(TfrmAbout&)> onAboutDialog;
    std::function<void(TfrmInport&)> onInportDialog;
    std::function<void(TfrmExport&)> onExportDialog;
    std::function<void(TfrmMasterPassword&)> onMasterPasswordDialog;
    std::function<void(TfrmPassword&)> onPasswordDialog;
    int passwordDialogs = 0;
    int subDialogs = 0, aboutDialogs = 0, exportDialogs = 0;
    void RunSubDialog(TfrmSub& sub) override {
        ++subDialogs;
        if (onSubDialog)
            onSubDialog(sub);
    }
    void RunAboutDialog(TfrmAbout& about) override {
        ++aboutDialogs;
        if (onAboutDialog)
            onAboutDialog(about);
    }
    void RunInportDialog(TfrmInport& inport) override {
        if (onInportDialog)
            onInportDialog(inport);
    }
    void RunExportDialog(TfrmExport& exporter) override {
        ++exportDialogs;
        if (onExportDialog)
            onExportDialog(exporter);
    }
    void RunMasterPasswordDialog(TfrmMasterPassword& dialog) override {
        if (onMasterPasswordDialog)
            onMasterPasswordDialog(dialog);
    }
    void RunPasswordAuditDialog(TfrmPasswordAudit&) override {}
    FakeCsvExportView csvExport;
    PasswordCsvExportView& CsvExportView() override { return csvExport; }
    void RunPasswordCheck(TfrmPasswordCheck& check) override { csvExport.RunPasswordCheck(check); }
    void RunPasswordDialog(TfrmPassword& prompt) override {
        ++passwordDialogs;
        if (onPasswordDialog)
            onPasswordDialog(prompt);
    }

    // The password CSV import: the file the open dialog gives (nothing: cancelled), the reader
    // run without a window, and the preview's answer.
    std::optional<FilePath> csvFile;
    std::function<void(TfrmPreview&)> onCsvPreview;
    std::optional<FilePath> RunPasswordCsvOpenDialog() override { return csvFile; }
    void RunPasswordCsvReader(DlgRead& reader) override { reader.Read(); }
    void RunPasswordCsvPreview(TfrmPreview& preview) override {
        if (onCsvPreview)
            onCsvPreview(preview);
    }
};

} // namespace tobrix::test
