#pragma once
// The import preview's window: a resizable owner-data list of the entries read, and the
// question with OK and キャンセル in a panel along the bottom.

#include "transfer/Preview.h"
#include "win32/Dialog.h"

#include <string>

namespace tobrix::win32 {

class PreviewDialog final : public Dialog, public PreviewView {
public:
    explicit PreviewDialog(TfrmPreview& presenter)
        : presenter_(presenter) {}
    void Run(HWND owner);

    // PreviewView
    void SetRowCount(int count) override;
    void Close() override { EndModal(IDCANCEL); }

private:
    bool OnInit() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void Layout();
    int NoticeLines() const;
    int PanelHeight() const;

    TfrmPreview& presenter_;
    std::wstring cellText_;
    HBRUSH face_ = GetSysColorBrush(COLOR_BTNFACE);
};

} // namespace tobrix::win32
