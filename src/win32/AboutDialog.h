#pragma once
// The about box's window.

#include "about/About.h"
#include "win32/Dialog.h"


namespace tobrix::win32 {

class AboutDialog final : public Dialog, public AboutView {
public:
    explicit AboutDialog(TfrmAbout& presenter)
        : presenter_(presenter) {}
    ~AboutDialog() override;
    void Run(HWND owner) { RunModal(owner, 392, 173); }
    void Close() override { EndModal(IDOK); }

private:
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnDpiChanged() override { ShowIcon(); }
    bool IsAddress(HWND control) const;
    // The program's icon in the picture, 32 x 32 at the dialog's DPI.
    void ShowIcon();

    TfrmAbout& presenter_;
    HICON icon_ = nullptr; // made at a size of our own, so the box destroys it
};

} // namespace tobrix::win32
