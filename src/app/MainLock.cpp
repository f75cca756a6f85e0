#include "app/MainLock.h"

#include "app/MainClipboardClear.h"
#include "app/MainPaste.h"
#include "app/MainState.h"
#include "app/MainUndo.h"
#include "app/MainView.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "session/DataFileSession.h"
#include "store/Data.h"
#include "store/ItemDataList.h"

#include <algorithm>
#include <string>

namespace tobrix {

namespace {

// The wait before a lock that a dialog put off runs, once the dialog closed. A timer rather
// than a posted message: a dialog's own loop may take a message in its last round and drop it.
constexpr int kPendingDelay = 50;

} // namespace

MainLock::MainLock(MainView& view, const Clock& clock, Messages& messages, TSettings& settings,
                   DataFileSession& session, ItemDataList& items, MainState& state, MainList& list, MainPaste& paste,
                   MainClipboardClear& clipboardClear, MainUndo& undo)
    : view_(view), clock_(clock), messages_(messages), settings_(settings), session_(session), items_(items),
      state_(state), list_(list), paste_(paste), clipboardClear_(clipboardClear), undo_(undo) {}

bool MainLock::mnuLockUpdate() const { return locked_ || session_.HasMasterKey(); }

void MainLock::mnuLockClick() {
    if (locked_)
        Unlock();
    else
        Request();
}

std::int64_t MainLock::IdleLimit() const { return std::int64_t{settings_.LockMinutes} * 60'000; }

bool MainLock::IdleCounts() const { return !locked_ && !dialogOpen_ && session_.HasMasterKey() && IdleLimit() > 0; }

void MainLock::StartIdleTimer(std::int64_t milliseconds) {
    if (!IdleCounts()) {
        view_.SetTimer(MainTimer::LockIdle, false);
        return;
    }
    view_.StartTimer(MainTimer::LockIdle, static_cast<int>(std::max<std::int64_t>(milliseconds, 1000)));
}

void MainLock::Start() {
    lastInput_ = clock_.Milliseconds();
    StartIdleTimer(IdleLimit());
}

void MainLock::SettingsChanged() {
    // A shorter time takes effect from the last input on, not from now.
    StartIdleTimer(IdleLimit() - (clock_.Milliseconds() - lastInput_));
}

void MainLock::UserInput() { lastInput_ = clock_.Milliseconds(); }

void MainLock::DialogShown(bool shown) {
    dialogOpen_ = shown;
    if (shown) {
        view_.SetTimer(MainTimer::LockIdle, false);
        return;
    }
    lastInput_ = clock_.Milliseconds(); // the dialog's own input was the user's
    if (pending_)
        view_.StartTimer(MainTimer::LockIdle, kPendingDelay); // once the command that showed it is over
    else
        StartIdleTimer(IdleLimit());
}

void MainLock::SessionLocked() {
    if (settings_.LockOnSessionLock)
        Request();
}

void MainLock::timLockIdleTimer() {
    if (pending_) {
        if (dialogOpen_)
            view_.SetTimer(MainTimer::LockIdle, false); // another dialog came first: it waits for that
        else
            LockNow();
        return;
    }
    if (!IdleCounts()) {
        view_.SetTimer(MainTimer::LockIdle, false);
        return;
    }
    const std::int64_t left = IdleLimit() - (clock_.Milliseconds() - lastInput_);
    if (left > 0)
        StartIdleTimer(left);
    else
        Request();
}

void MainLock::Request() {
    if (locked_ || !session_.HasMasterKey())
        return;
    if (dialogOpen_) {
        pending_ = true; // what the dialog holds is not torn away
        return;
    }
    LockNow();
}

void MainLock::LockNow() {
    pending_ = false;
    paste_.End();
    clipboardClear_.ClearNow();
    std::string notice;
    if (!session_.SaveForLock(notice)) {
        lastInput_ = clock_.Milliseconds(); // tried again after the next idle time
        StartIdleTimer(IdleLimit());
        return;
    }
    moment_ = list_.Now();
    locked_ = true;
    view_.SetTimer(MainTimer::LockIdle, false);
    items_.Clear();
    undo_.Clear(); // no entry text stays behind in the history either
    list_.Drop();
    state_.EndPaste();
    session_.DropKeys();
    view_.ShowLocked(true);
    if (!notice.empty())
        messages_.ShowWarning(notice);
}

void MainLock::Unlock() {
    if (!locked_ || unlocking_)
        return;
    unlocking_ = true;
    const bool opened = session_.Unlock();
    unlocking_ = false;
    if (!opened)
        return;
    undo_.Clear(); // the list was read again: the steps speak of another one
    locked_ = false;
    view_.ShowLocked(false);
    list_.Restore(moment_);
    moment_ = {};
    Start();
}

} // namespace tobrix
