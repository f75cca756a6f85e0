#pragma once
// The numeric field's edit control without a window: its text and selection. Like the real
// control it reports every text it is given back to the field, which must ignore its own.

#include "controls/NValEdit.h"

#include <vector>

namespace tobrix::test {

class FakeNValEditView final : public NValEditView {
public:
    explicit FakeNValEditView(TNValEdit& field) : field_(field) {}

    std::string text;
    std::size_t selStart = 0, selEnd = 0;
    std::vector<Color> colors;
    std::vector<bool> focusMoves; // true: to the previous control
    std::optional<std::string> clipboard;
    int textWrites = 0;
    bool readOnly = false;

    std::string Text() const override { return text; }
    void SetText(std::string_view cp932) override {
        text = cp932;
        selStart = selEnd = 0;
        ++textWrites;
        field_.TextSetOutside();
    }
    bool HasSelection() const override { return selStart != selEnd; }
    bool AllSelected() const override { return selStart == 0 && selEnd == text.size(); }
    void SelectAll() override { selStart = 0, selEnd = text.size(); }
    void PlaceCaretAtEnd() override { selStart = selEnd = text.size(); }
    void SetTextColor(Color color) override { colors.push_back(color); }
    void MoveFocus(bool previous) override { focusMoves.push_back(previous); }
    std::optional<std::string> ClipboardText() const override { return clipboard; }
    void SwitchImeOff() override {}
    void SetReadOnly(bool on) override { readOnly = on; }

    // Text written by someone else, as the control reports it.
    void SetTextFromOutside(std::string_view cp932) {
        text = cp932;
        field_.TextSetOutside();
    }

private:
    TNValEdit& field_;
};

} // namespace tobrix::test
