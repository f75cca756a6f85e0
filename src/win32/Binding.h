#pragma once
// One way to find the object behind a window handle, for the program's windows, its dialogs
// and the controls it subclasses: the object is bound when it takes the window, the
// window's procedure looks it up for every message, and the binding ends at WM_NCDESTROY,
// or when the object ends first, so that no later message reaches an object that is gone.
// And one guard for everything Windows calls back: no exception crosses into Windows (the
// 32-bit program would end on the spot).
//
// Everything here runs on the one user-interface thread.

#include <windows.h>

#include <exception>

namespace tobrix::win32 {

// What a window handle is bound to.
class MessageTarget {
public:
    MessageTarget() = default;
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;
    // Ends the bindings its windows still hold, and the subclassing of its controls.
    virtual ~MessageTarget();

    // Shows an exception that one of the object's handlers let out.
    virtual void ReportUnhandled(const std::exception& e) = 0;
    // A message of a control subclassed for this object (SubclassControl); by default the
    // control's own handling (DefSubclassProc).
    virtual LRESULT OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam);
    // The control is being destroyed (WM_NCDESTROY, which the control then handles itself);
    // its binding has ended.
    virtual void OnControlDestroyed(HWND /*control*/) {}
    // A notification about a control bound to this object, passed on by the control's
    // parent (ReflectToControl): its colours, its scrolling, its commands. `result` comes
    // with the parent's default answer; true when the object answered (`result` is then
    // the answer and the parent does nothing more).
    virtual bool OnReflected(HWND control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
};

// A window has at most one object; binding it again replaces the first. False when there
// was no memory for it.
bool Bind(HWND window, MessageTarget& target) noexcept;
void Unbind(HWND window) noexcept;
// Null when nothing is bound (before the binding message, after WM_NCDESTROY).
MessageTarget* BoundTo(HWND window) noexcept;
template <class T>
T* BoundAs(HWND window) {
    return dynamic_cast<T*>(BoundTo(window));
}

// Binds the control to `target` and routes all its messages to target.OnControlMessage
// until it is destroyed, or until the target ends (the control then goes on by itself).
void SubclassControl(HWND control, MessageTarget& target);

// For a parent's procedure: offers a notification about one of its controls (WM_COMMAND,
// WM_NOTIFY, WM_CTLCOLOR*, WM_HSCROLL, WM_VSCROLL) to the object bound to that control.
// True when the object answered it; `result` is then the parent's answer.
bool ReflectToControl(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Runs `body`; what it throws comes back as the result instead of leaving.
template <class Body>
std::exception_ptr Contained(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

// Hands a contained exception to target.ReportUnhandled, one of no standard type as the
// unexpected error. What the report itself throws is dropped: nothing more can be shown.
void Report(MessageTarget& target, const std::exception_ptr& error) noexcept;

// Shows an exception for the object of `window` that has no report of its own: the object
// bound to the nearest window above it (a child's parent, a top-level window's owner) shows
// it. Nothing is shown when there is none.
void ReportToOwner(HWND window, const std::exception& e);

// Runs one of the target's handlers for a message from Windows: what it throws is shown
// (Report) and stays on this side. False when it threw.
template <class Body>
bool Guarded(MessageTarget& target, Body&& body) noexcept {
    if (const std::exception_ptr error = Contained(body)) {
        Report(target, error);
        return false;
    }
    return true;
}

} // namespace tobrix::win32
