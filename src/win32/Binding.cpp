#include "win32/Binding.h"

#include "common/Error.h"

#include <commctrl.h>

#include <new>
#include <string>
#include <unordered_map>

namespace tobrix::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 1;

struct Binding {
    MessageTarget* target;
    bool subclassed; // by SubclassControl
};

// Made before the program starts (nothing is allocated for an empty table), so that no
// procedure has to make it, and no memory shortage can end one.
std::unordered_map<HWND, Binding> g_bindings;

std::unordered_map<HWND, Binding>& Table() noexcept { return g_bindings; }

LRESULT CALLBACK ControlProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR) noexcept {
    MessageTarget* const target = BoundTo(control);
    if (message == WM_NCDESTROY) {
        // The binding ends before the control's own handling frees it.
        Unbind(control);
        RemoveWindowSubclass(control, &ControlProcedure, kSubclassId);
        if (target != nullptr)
            Guarded(*target, [&] { target->OnControlDestroyed(control); });
        return DefSubclassProc(control, message, wParam, lParam);
    }
    if (target == nullptr)
        return DefSubclassProc(control, message, wParam, lParam);
    LRESULT result = 0;
    Guarded(*target, [&] { result = target->OnControlMessage(control, message, wParam, lParam); });
    return result;
}

} // namespace

MessageTarget::~MessageTarget() {
    auto& table = Table();
    for (auto it = table.begin(); it != table.end();) {
        if (it->second.target != this) {
            ++it;
            continue;
        }
        if (it->second.subclassed)
            RemoveWindowSubclass(it->first, &ControlProcedure, kSubclassId);
        it = table.erase(it);
    }
}

LRESULT MessageTarget::OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(control, message, wParam, lParam);
}

bool MessageTarget::OnReflected(HWND, UINT, WPARAM, LPARAM, LRESULT&) { return false; }

bool Bind(HWND window, MessageTarget& target) noexcept {
    return Contained([&] { Table().insert_or_assign(window, Binding{&target, false}); }) == nullptr;
}

void Unbind(HWND window) noexcept { Table().erase(window); }

MessageTarget* BoundTo(HWND window) noexcept {
    const auto& table = Table();
    const auto it = table.find(window);
    return it != table.end() ? it->second.target : nullptr;
}

void SubclassControl(HWND control, MessageTarget& target) {
    if (!Bind(control, target))
        throw std::bad_alloc();
    Table().at(control).subclassed = true;
    SetWindowSubclass(control, &ControlProcedure, kSubclassId, 0);
}

bool ReflectToControl(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const bool colour = message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
    HWND control = nullptr;
    if (message == WM_NOTIFY && lParam != 0)
        control = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    else if (colour || message == WM_COMMAND || message == WM_HSCROLL || message == WM_VSCROLL)
        control = reinterpret_cast<HWND>(lParam);
    if (control == nullptr || control == parent)
        return false;
    MessageTarget* const target = BoundTo(control);
    if (target == nullptr || target == BoundTo(parent))
        return false; // the parent's own object hears it as its own message
    // A colour answer starts from the default colours and brush, which the control's object
    // then adjusts.
    result = colour ? DefWindowProcW(parent, message, wParam, lParam) : 0;
    return target->OnReflected(control, message, wParam, lParam, result);
}

void ReportToOwner(HWND window, const std::exception& e) {
    const MessageTarget* self = BoundTo(window);
    for (HWND at = window; at != nullptr;) {
        at = (GetWindowLongPtrW(at, GWL_STYLE) & WS_CHILD) != 0 ? GetAncestor(at, GA_PARENT) : GetWindow(at, GW_OWNER);
        if (MessageTarget* target = BoundTo(at); target != nullptr && target != self) {
            target->ReportUnhandled(e);
            return;
        }
    }
}

void Report(MessageTarget& target, const std::exception_ptr& error) noexcept {
    try {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            target.ReportUnhandled(e);
        } catch (...) {
            target.ReportUnhandled(AppError(std::string(kMsgUnexpectedError)));
        }
    } catch (...) {
        // Nothing more can be shown.
    }
}

} // namespace tobrix::win32
