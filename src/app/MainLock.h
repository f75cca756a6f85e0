#pragma once
// Locking the main window while a master password is set: by its command, after idle
// minutes, when Windows locks the session and before the computer sleeps. Locked, the
// program holds neither the entries nor the keys; the master password and the data file,
// read again, bring them back.

#include "app/MainList.h"

#include <cstdint>

namespace tobrix {

class Clock;
class DataFileSession;
class ItemDataList;
class MainClipboardClear;
class MainPaste;
class MainUndo;
class MainView;
class Messages;
struct MainState;
struct TSettings;

class MainLock {
public:
    MainLock(MainView& view, const Clock& clock, Messages& messages, TSettings& settings, DataFileSession& session,
             ItemDataList& items, MainState& state, MainList& list, MainPaste& paste,
             MainClipboardClear& clipboardClear, MainUndo& undo);

    bool Locked() const { return locked_; }
    // Whether the command is enabled: with a master password set, and to unlock.
    bool mnuLockUpdate() const;
    // Ctrl+L: locks, or while locked asks for the password to unlock.
    void mnuLockClick();
    // The locked window's button.
    void cmdUnlockClick() { Unlock(); }

    // The window runs: the idle time counts from now.
    void Start();
    // The settings of the lock changed (or the master password was set or removed).
    void SettingsChanged();
    // Keyboard or mouse input to one of the program's windows.
    void UserInput();
    // A modal dialog opened over the window, or closed. A lock waits until it closes, and the
    // idle time does not count meanwhile.
    void DialogShown(bool shown);
    bool DialogOpen() const { return dialogOpen_; }
    // Windows locked the session (or switched to another user's), or the computer goes to sleep.
    void SessionLocked();
    void Suspending() { SessionLocked(); }
    // The idle timer; or, once a dialog that put a lock off closed, the lock.
    void timLockIdleTimer();

private:
    // Locks now, or once the dialog open now closes.
    void Request();
    void LockNow();
    void Unlock();
    void StartIdleTimer(std::int64_t milliseconds);
    std::int64_t IdleLimit() const;
    // Whether the idle time counts now.
    bool IdleCounts() const;

    MainView& view_;
    const Clock& clock_;
    Messages& messages_;
    TSettings& settings_;
    DataFileSession& session_;
    ItemDataList& items_;
    MainState& state_;
    MainList& list_;
    MainPaste& paste_;
    MainClipboardClear& clipboardClear_;
    MainUndo& undo_;
    bool locked_ = false;
    bool pending_ = false;     // a lock waits for the dialog to close
    bool dialogOpen_ = false;  // a modal dialog is open over the window
    bool unlocking_ = false;   // the password is being asked
    std::int64_t lastInput_ = 0;
    MainList::Moment moment_;  // the list as it was when it locked
};

} // namespace tobrix
