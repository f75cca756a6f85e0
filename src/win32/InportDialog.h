#pragma once
// The import options dialog's window.

#include "transfer/Inport.h"
#include "win32/Dialog.h"
#include "win32/NValEditControl.h"


namespace tobrix {
class Sound;
}

namespace tobrix::win32 {

class InportDialog final : public Dialog, public InportView {
public:
    InportDialog(TfrmInport& presenter, Sound& sound);
    void Run(HWND owner);

    // InportView
    std::optional<std::string> Text(InportText box) const override { return ItemText(IdOf(box)); }
    void SetText(InportText box, std::string_view cp932) override;
    void SetFileName(const FilePath& path) override;
    bool Checked(InportCheck box) const override;
    void SetChecked(InportCheck box, bool checked) override;
    double StartValue() const override;
    void SetStartValue(double value) override;
    int QuoteIndex() const override;
    void SetQuoteIndex(int index) override;
    void Focus(InportText box) override;
    void Close() override { EndModal(IDCANCEL); }
    void RunReader(TfrmDlg& reader) override;
    void RunPreview(TfrmPreview& preview) override;
    std::optional<FilePath> RunOpenDialog(TTextOpenDialog& dialog) override;

private:
    static int IdOf(InportText box);
    static int IdOf(InportCheck box);
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    TfrmInport& presenter_;
    NValEditControl numStart_;
    bool settingText_ = false; // the program sets a box's text: no change handler runs
};

} // namespace tobrix::win32
