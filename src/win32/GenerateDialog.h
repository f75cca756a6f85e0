#pragma once
// The password generator's window, over the item editor.

#include "editor/Generate.h"
#include "win32/Dialog.h"
#include "win32/NValEditControl.h"

namespace tobrix::win32 {

class GenerateDialog final : public Dialog, public GenerateView {
public:
    GenerateDialog(TfrmGenerate& presenter, Sound& sound) : presenter_(presenter), numLength_(sound) {}
    void Run(HWND owner);

    // GenerateView
    int Length() const override;
    void SetLength(int length) override;
    bool Checked(GenerateCheck box) const override;
    void SetChecked(GenerateCheck box, bool checked) override;
    std::optional<std::string> Symbols() const override;
    void SetSymbols(std::string_view text) override;
    void ShowPassword(std::string_view password, std::string_view strength) override;
    void Focus(GenerateField field) override;
    void Close() override { EndModal(IDCANCEL); }

private:
    static int IdOf(GenerateCheck box);
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    TfrmGenerate& presenter_;
    NValEditControl numLength_;
};

} // namespace tobrix::win32
