#pragma once
// The reader's progress window: the file's name, a progress bar and Cancel. It stays
// without a loop of its own; the read lets its messages run between lines.

#include "transfer/Dlg.h"
#include "win32/Dialog.h"

#include <chrono>

namespace tobrix::win32 {

class DlgDialog final : public Dialog, public DlgView {
public:
    // Waiting messages are let through at most every `pumpInterval`: under Wine every look at
    // the queue is a round trip to the server, far dearer than parsing a line.
    explicit DlgDialog(DlgRead& presenter, std::chrono::milliseconds pumpInterval = std::chrono::milliseconds(15))
        : presenter_(presenter), pumpInterval_(pumpInterval) {}
    ~DlgDialog() override;

    // Creates the window, hidden; false when that fails.
    bool Create(HWND owner);

    // DlgView
    void SetCaptionText(std::string_view cp932) override;
    void SetProgressMax(int max) override;
    void StepProgress() override { ++position_; }
    void Repaint() override;
    void ProcessPendingEvents() override;
    void SetBusy(bool busy) override { SetWaitCursor(busy); }

private:
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void ReportUnhandled(const std::exception&) override {} // Cancel only sets a flag
    void ShowPosition();

    DlgRead& presenter_;
    std::chrono::milliseconds pumpInterval_;
    int position_ = 0;
    int shownPosition_ = 0;
    ULONGLONG nextPump_ = 0; // tick count of the next look at the queue
};

// Runs every message that is waiting now, the way a modal loop would (keys reach the
// dialog's buttons). A quit request is put back for the program's own loop; false then.
bool PumpWaitingMessages(HWND dialog);

// Shows the progress window over `owner` (which is disabled meanwhile), runs the read, then
// hides and destroys the window and lets waiting events run. An error of the read reaches the
// caller after that clean-up.
// `pumpInterval` is for measurements.
void RunReader(HWND owner, DlgRead& dlg, std::chrono::milliseconds pumpInterval = std::chrono::milliseconds(15));

} // namespace tobrix::win32
