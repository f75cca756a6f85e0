#pragma once
// The file-open dialog with a text preview, in three layers: TExtChangeOpenDialog keeps the
// typed name's extension in step with the chosen file type, TEnhOpenDialog adds a panel
// below the standard controls, TTextOpenDialog puts a check box and a text box on it and
// shows the first bytes of the selected file there. The platform runs the dialog and
// forwards its notifications to the handlers below; none of them knows a window.

#include "common/Cp932Literal.h"
#include "platform/Files.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tobrix {

inline constexpr std::size_t kPreviewLength = 1024;
inline constexpr std::string_view kPreviewCheckCaption = sjis<u8"内容をプレビューする(&P)">();
inline constexpr std::string_view kPreviewFontFace = sjis<u8"ＭＳ ゴシック">();

// Turns the first bytes of a file into the CP932 text the preview shows.
using PreviewDecoder = std::function<std::string(std::string_view firstBytes)>;
std::string PreviewBytesAsTheyAre(std::string_view firstBytes);

// The extension of filter entry `index` (from 1) of a "description|patterns|..." filter:
// from the first "." of its first pattern on ("*.txt" gives ".txt", "*" gives ""); nothing
// when there is no such entry.
std::optional<std::string> FilterExtension(std::string_view filter, int index);

// A typed file name with its extension replaced by `extension` (appended when it has none;
// removed when `extension` is empty). The extension is what follows the last "." of the
// last path component.
std::string ReplaceExtension(std::string_view name, std::string_view extension);

// What the dialogs need of the open file dialog while it is shown.
class OpenDialogView {
public:
    virtual ~OpenDialogView() = default;
    // The text of the file-name box; nothing when it holds characters that code page 932
    // cannot hold.
    virtual std::optional<std::string> FileNameBoxText() const = 0;
    virtual void SetFileNameBoxText(std::string_view cp932) = 0;
    // Used for a name typed without an extension from now on (no dot; may be empty).
    virtual void SetDefaultExt(std::string_view ext) = 0;
    // The file the dialog would return now (the selection or the typed name); empty when
    // there is none.
    virtual FilePath CurrentFileName() const = 0;

    // The area below the standard controls, over the whole width of the dialog.
    virtual void CreatePanel() = 0;
    virtual void DestroyPanel() = 0;
    // The check box (set to `checked`) and the read-only text box on the panel.
    virtual void CreatePreviewControls(bool checked) = 0;
    virtual void DestroyPreviewControls() = 0;
    virtual bool PreviewChecked() const = 0;
    virtual void SetPreviewChecked(bool checked) = 0;
    // Lines separated by CR LF.
    virtual void SetPreviewText(std::string_view cp932) = 0;
};

struct OpenDialogOptions {
    bool HideReadOnly = false;
    bool PathMustExist = false;
    bool FileMustExist = false;
    bool EnableSizing = false;
};

class TExtChangeOpenDialog {
public:
    virtual ~TExtChangeOpenDialog() = default;

    std::string Title;
    // Pairs of a description and its patterns, all joined by "|".
    std::string Filter;
    int FilterIndex = 1;
    // Without the dot.
    std::string DefaultExt;
    FilePath InitialDir;
    FilePath FileName;
    OpenDialogOptions Options;
    bool AutoExtChange = true;
    bool ShowPlacesBar = true;

    // Before the dialog is run.
    void BeforeExecute();
    // The dialog has opened; the view lives until DoClose.
    virtual void DoShow(OpenDialogView& view) { view_ = &view; }
    virtual void DoClose() { view_ = nullptr; }
    // The user chose filter entry `index` (from 1).
    void DoTypeChange(int index);
    virtual void DoFolderChange() {}
    virtual void DoSelectionChange() {}

protected:
    OpenDialogView* View() const { return view_; }

private:
    OpenDialogView* view_ = nullptr;
};

class TEnhOpenDialog : public TExtChangeOpenDialog {
public:
    void DoShow(OpenDialogView& view) override;
    void DoClose() override;
};

class TTextOpenDialog : public TEnhOpenDialog {
public:
    explicit TTextOpenDialog(Files& files, PreviewDecoder decoder = PreviewBytesAsTheyAre)
        : files_(files), decoder_(std::move(decoder)) {}

    bool Preview() const { return preview_; }
    // While the dialog is open the check box follows, and the preview with it.
    void SetPreview(bool on);

    void DoShow(OpenDialogView& view) override;
    void DoClose() override;
    void DoFolderChange() override { RefreshPreview(); }
    void DoSelectionChange() override { RefreshPreview(); }
    void chkPreviewClick();

private:
    // A file that cannot be opened throws AppError; the preview is empty then.
    void RefreshPreview();

    Files& files_;
    PreviewDecoder decoder_;
    bool preview_ = false;
    bool previewControls_ = false;
};

} // namespace tobrix
