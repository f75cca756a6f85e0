#pragma once
// The numeric field on a real EDIT control: the control is subclassed and every message
// that matters is handed to the TNValEdit it owns. It can also own an up-down control that
// steps the field's value. The parent passes on what it hears about them (ReflectToControl):
// the edit's colours and the arrows' clicks.

#include "controls/NValEdit.h"
#include "win32/Binding.h"

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace tobrix {
class Sound;
}

namespace tobrix::win32 {

class NValEditControl final : public NValEditView, public MessageTarget {
public:
    // Styles to add to WS_CHILD | WS_VISIBLE | WS_TABSTOP for the EDIT: one line shown by a
    // multi-line control (which lets the field answer Enter and Esc itself), right-aligned.
    static constexpr DWORD kStyle = ES_MULTILINE | ES_RIGHT | ES_AUTOHSCROLL;

    explicit NValEditControl(Sound& sound);

    // Subclasses the edit created from a dialog's control table; the field then writes its
    // first text.
    void Attach(HWND edit);
    TNValEdit& Field() { return field_; }
    const TNValEdit& Field() const { return field_; }
    // Creates the up-down arrows right beside the edit, in its parent: buddy = the edit,
    // range min..max, no wrap-around, one step per click. Clicks set the field's Value; every
    // value the field shows moves the arrows' position along.
    void AttachUpDown(int upDownId, int min, int max, int pos);
    void SetUpDownPosition(int pos);
    HWND Handle() const { return edit_; }
    HWND UpDown() const { return upDown_; }

    // NValEditView
    std::string Text() const override;
    void SetText(std::string_view cp932) override;
    bool HasSelection() const override;
    bool AllSelected() const override;
    void SelectAll() override;
    void PlaceCaretAtEnd() override;
    void SetTextColor(Color color) override;
    void MoveFocus(bool previous) override;
    std::optional<std::string> ClipboardText() const override;
    void SwitchImeOff() override;
    void SetReadOnly(bool readOnly) override;

    // MessageTarget
    void ReportUnhandled(const std::exception& e) override { ReportToOwner(edit_, e); }
    LRESULT OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnControlDestroyed(HWND control) override;
    bool OnReflected(HWND control, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    LRESULT OnEditMessage(UINT message, WPARAM wParam, LPARAM lParam);
    std::pair<DWORD, DWORD> Selection() const;

    TNValEdit field_;
    HWND edit_ = nullptr;
    HWND upDown_ = nullptr;
    COLORREF textColor_;
    COLORREF startColor_; // the system's text colour when the field was made
};

} // namespace tobrix::win32
