#include "win32/TextOpenDialog.h"

#include "win32/Binding.h"
#include "win32/Dpi.h"
#include "win32/Encoding.h"
#include "win32/FileDialog.h"
#include "win32/Fonts.h"
#include "win32/resource.h"

#include <commdlg.h>
#include <dlgs.h>

#include <string>
#include <vector>

namespace tobrix::win32 {

namespace {

// The open dialog while it is shown: the presenter's view, living in the hook's child
// dialog (the template), whose parent is the system's dialog. The child is bound to it from
// WM_INITDIALOG to WM_NCDESTROY.
class TextOpenWindow final : public OpenDialogView, public MessageTarget {
public:
    explicit TextOpenWindow(TTextOpenDialog& dlg) : dlg_(dlg) {}

    static UINT_PTR CALLBACK Hook(HWND child, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    // OpenDialogView
    std::optional<std::string> FileNameBoxText() const override;
    void SetFileNameBoxText(std::string_view cp932) override;
    void SetDefaultExt(std::string_view ext) override;
    FilePath CurrentFileName() const override;
    void CreatePanel() override;
    void DestroyPanel() override { panel_ = std::nullopt; }
    void CreatePreviewControls(bool checked) override;
    void DestroyPreviewControls() override;
    bool PreviewChecked() const override { return IsDlgButtonChecked(child_, IDC_PREVIEW_CHECK) == BST_CHECKED; }
    void SetPreviewChecked(bool checked) override {
        CheckDlgButton(child_, IDC_PREVIEW_CHECK, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    void SetPreviewText(std::string_view cp932) override {
        SetDlgItemTextW(child_, IDC_PREVIEW_TEXT, Widen(cp932).c_str());
    }

    // MessageTarget
    void ReportUnhandled(const std::exception& e) override {
        ReportToOwner(dialog_, e);
    }

private:
    void OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    int FileNameBoxId() const { return GetDlgItem(dialog_, cmb13) != nullptr ? cmb13 : edt1; }
    int Scale(int pixels) const { return fonts_.Scale(pixels); }
    static constexpr FontSpec kPreviewFont{
        .height = 12, .face = kPreviewFontFace, .pitchAndFamily = FIXED_PITCH | FF_MODERN};
    RECT PanelRect() const;
    void Layout();

    TTextOpenDialog& dlg_;
    HWND child_ = nullptr;
    HWND dialog_ = nullptr;
    DpiFonts fonts_; // the DPI the panel is laid out at, and the preview's font
    bool shown_ = false;
    std::optional<RECT> panel_;
    bool controls_ = false;
    std::wstring defaultExt_; // CDM_SETDEFEXT keeps the pointer
};

std::optional<std::string> TextOpenWindow::FileNameBoxText() const {
    return NarrowExact(WindowText(GetDlgItem(dialog_, FileNameBoxId())));
}

void TextOpenWindow::SetFileNameBoxText(std::string_view cp932) {
    const std::wstring text = Widen(cp932);
    SendMessageW(dialog_, CDM_SETCONTROLTEXT, static_cast<WPARAM>(FileNameBoxId()),
                 reinterpret_cast<LPARAM>(text.c_str()));
}

void TextOpenWindow::SetDefaultExt(std::string_view ext) {
    defaultExt_ = Widen(ext);
    SendMessageW(dialog_, CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(defaultExt_.c_str()));
}

FilePath TextOpenWindow::CurrentFileName() const {
    std::wstring path(kPathCapacity, L'\0');
    const LRESULT n =
        SendMessageW(dialog_, CDM_GETFILEPATH, static_cast<WPARAM>(path.size()), reinterpret_cast<LPARAM>(path.data()));
    if (n <= 0 || static_cast<std::size_t>(n) > path.size())
        return {};
    path.resize(wcsnlen(path.c_str(), path.size()));
    return FilePath(path);
}

RECT TextOpenWindow::PanelRect() const {
    // Over the whole client area but the standard controls, reaching 10 pixels into the
    // margin below them.
    RECT client{};
    GetClientRect(child_, &client);
    RECT standard{};
    GetWindowRect(GetDlgItem(child_, stc32), &standard);
    MapWindowPoints(nullptr, child_, reinterpret_cast<POINT*>(&standard), 2);
    client.top = standard.bottom - Scale(10);
    if (client.bottom < client.top)
        client.bottom = client.top;
    return client;
}

void TextOpenWindow::CreatePanel() {
    panel_ = PanelRect();
}

void TextOpenWindow::CreatePreviewControls(bool checked) {
    SetDlgItemTextW(child_, IDC_PREVIEW_CHECK, Widen(kPreviewCheckCaption).c_str());
    SetPreviewChecked(checked);
    fonts_.Clear();
    SendDlgItemMessageW(child_, IDC_PREVIEW_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.Make(kPreviewFont)),
                        FALSE);
    controls_ = true;
    Layout();
}

void TextOpenWindow::DestroyPreviewControls() {
    // The controls belong to the template and go with the dialog; only the font is ours.
    controls_ = false;
    SendDlgItemMessageW(child_, IDC_PREVIEW_TEXT, WM_SETFONT, 0, FALSE);
    fonts_.Clear();
}

void TextOpenWindow::Layout() {
    if (!panel_ || !controls_)
        return;
    const RECT& panel = *panel_;
    const int width = panel.right - panel.left, height = panel.bottom - panel.top;
    MoveWindow(GetDlgItem(child_, IDC_PREVIEW_CHECK), panel.left + Scale(5), panel.top + Scale(2), Scale(200),
               Scale(25), TRUE);
    int textWidth = width - Scale(10);
    // The size grip sits in the bottom right corner of a resizable dialog: keep it free.
    if (dlg_.Options.EnableSizing)
        textWidth -= SystemMetricForDpi(SM_CXVSCROLL, fonts_.Dpi());
    MoveWindow(GetDlgItem(child_, IDC_PREVIEW_TEXT), panel.left + Scale(5), panel.top + Scale(25),
               textWidth > 0 ? textWidth : 0, height > Scale(30) ? height - Scale(30) : 0, TRUE);
}

void TextOpenWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY: {
        const auto* notify = reinterpret_cast<const OFNOTIFYW*>(lParam);
        switch (notify->hdr.code) {
        case CDN_INITDONE: // the standard controls have their places now
            dialog_ = GetParent(child_);
            shown_ = true;
            dlg_.DoShow(*this);
            break;
        case CDN_SELCHANGE:
            if (shown_)
                dlg_.DoSelectionChange();
            break;
        case CDN_FOLDERCHANGE:
            if (shown_)
                dlg_.DoFolderChange();
            break;
        case CDN_TYPECHANGE:
            if (shown_)
                dlg_.DoTypeChange(static_cast<int>(notify->lpOFN->nFilterIndex));
            break;
        default:
            break;
        }
        break;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_PREVIEW_CHECK && HIWORD(wParam) == BN_CLICKED)
            dlg_.chkPreviewClick();
        break;
    case kDpiChangedAfterParent:
        // The file dialog has moved to a monitor of another DPI and laid itself out again.
        // The preview's font, when it shows, at the new DPI.
        fonts_.Rescale(WindowDpi(child_), [this](HFONT, HFONT made) {
            SendDlgItemMessageW(child_, IDC_PREVIEW_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
        });
        [[fallthrough]];
    case WM_SIZE:
        if (panel_) {
            panel_ = PanelRect();
            Layout();
        }
        break;
    case WM_DESTROY:
        if (shown_)
            dlg_.DoClose();
        shown_ = false;
        break;
    default:
        break;
    }
}

UINT_PTR CALLBACK TextOpenWindow::Hook(HWND child, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<TextOpenWindow*>(reinterpret_cast<const OPENFILENAMEW*>(lParam)->lCustData);
        if (Bind(child, *self)) {
            self->child_ = child;
            self->fonts_.SetDpi(WindowDpi(child));
        }
        return TRUE;
    }
    TextOpenWindow* const self = BoundAs<TextOpenWindow>(child);
    if (self == nullptr)
        return 0;
    Guarded(*self, [&] { self->OnMessage(message, wParam, lParam); });
    if (message == WM_NCDESTROY) {
        Unbind(child);
        self->child_ = nullptr;
    }
    return 0; // the system's own handling goes on
}

DWORD FlagsOf(const OpenDialogOptions& options) {
    // The process keeps its working folder: browsing must not hold the chosen folder open
    // (it could not be deleted or renamed while the program runs).
    DWORD flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE | OFN_NOCHANGEDIR;
    if (options.HideReadOnly)
        flags |= OFN_HIDEREADONLY;
    if (options.PathMustExist)
        flags |= OFN_PATHMUSTEXIST;
    if (options.FileMustExist)
        flags |= OFN_FILEMUSTEXIST;
    if (options.EnableSizing)
        flags |= OFN_ENABLESIZING;
    return flags;
}

} // namespace

std::optional<FilePath> RunTextOpenDialog(TTextOpenDialog& dlg, HWND owner) {
    dlg.BeforeExecute();
    TextOpenWindow window(dlg);

    FileDialog dialog(owner, dlg.Filter, dlg.Title, dlg.FileName.wstring(), dlg.InitialDir.wstring(), dlg.FilterIndex,
                      FlagsOf(dlg.Options));
    const std::wstring defaultExt = Widen(dlg.DefaultExt);
    OPENFILENAMEW& ofn = dialog.Structure();
    ofn.hInstance = GetModuleHandleW(nullptr);
    ofn.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
    ofn.lpfnHook = &TextOpenWindow::Hook;
    ofn.lpTemplateName = L"ENHDLG1";
    ofn.lCustData = reinterpret_cast<LPARAM>(&window);
    ofn.FlagsEx = dlg.ShowPlacesBar ? 0 : OFN_EX_NOPLACESBAR;

    const bool chosen = dialog.Run(FileDialogKind::Open);
    dlg.FilterIndex = dialog.FilterIndex();
    if (!chosen)
        return std::nullopt;
    dlg.FileName = FilePath(dialog.ChosenPath());
    return dlg.FileName;
}

} // namespace tobrix::win32
