#pragma once
// The export dialog's window, and the save-file dialog it runs.

#include "transfer/Export.h"
#include "win32/Dialog.h"


namespace tobrix::win32 {

class ExportDialog final : public Dialog, public ExportView {
public:
    explicit ExportDialog(TfrmExport& presenter)
        : presenter_(presenter) {}
    void Run(HWND owner);

    // ExportView
    std::optional<std::string> FileName() const override;
    void SetFileName(std::string_view cp932) override;
    void FocusFileName() override;
    int DelimIndex() const override;
    void SetDelimIndex(int index) override;
    bool DblQ() const override;
    void SetDblQ(bool on) override;
    bool Head() const override;
    void SetHead(bool on) override;
    SaveDialogResult RunSaveDialog(SaveDialogState& state) override;
    void SetBusy(bool busy) override { SetWaitCursor(busy); }
    void Close() override { EndModal(IDCANCEL); }

private:
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool IsChecked(int id) const;
    void SetChecked(int id, bool on);

    TfrmExport& presenter_;
};

} // namespace tobrix::win32
