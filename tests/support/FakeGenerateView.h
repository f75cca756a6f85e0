#pragma once
// The password generator without a window: the controls' states, and what the presenter asked for.

#include "editor/Generate.h"

#include <map>
#include <string>
#include <vector>

namespace tobrix::test {

class FakeGenerateView final : public GenerateView {
public:
    int length = 0;
    std::map<GenerateCheck, bool> checks;
    std::string symbols;
    std::string password, strength;
    std::vector<GenerateField> focused;
    bool closed = false;
    TfrmGenerate* presenter = nullptr; // told of the symbol field's changes, as the control does

    int Length() const override { return length; }
    void SetLength(int l) override { length = l; }
    bool Checked(GenerateCheck box) const override { return checks.at(box); }
    void SetChecked(GenerateCheck box, bool on) override { checks[box] = on; }
    std::optional<std::string> Symbols() const override { return symbols; }
    void SetSymbols(std::string_view text) override {
        symbols = text;
        if (presenter)
            presenter->txtSymbolsChange();
    }
    void ShowPassword(std::string_view p, std::string_view s) override {
        password = p;
        strength = s;
    }
    void Focus(GenerateField field) override { focused.push_back(field); }
    void Close() override { closed = true; }
};

} // namespace tobrix::test
