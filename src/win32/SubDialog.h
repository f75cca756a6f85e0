#pragma once
// The item editor's window.

#include "editor/Sub.h"
#include "win32/Dialog.h"

#include <commctrl.h>


namespace tobrix::win32 {

class SubDialog final : public Dialog, public SubView {
public:
    SubDialog(TfrmSub& presenter, Sound& sound)
        : presenter_(presenter), sound_(sound) {}
    void Run(HWND owner);

    // SubView
    std::optional<std::string> Text(SubField field, LookAlikes lookAlikes) const override {
        return ItemText(IdOf(field), lookAlikes);
    }
    void SetText(SubField field, std::string_view cp932) override { SetItemText(IdOf(field), cp932); }
    void Focus(SubField field) override;
    void PlaceCaretAtEnd(SubField field) override;
    void SetCaption(std::string_view cp932) override;
    void Close() override { EndModal(IDCANCEL); }
    void SetCapturing(bool capturing) override;
    void RunGenerator(TfrmGenerate& generate) override;

private:
    static int IdOf(SubField field);
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnFieldFocus(int id);
    // The address field, subclassed for its entry.
    LRESULT OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) override;

    TfrmSub& presenter_;
    Sound& sound_; // the generator's length field beeps
};

} // namespace tobrix::win32
