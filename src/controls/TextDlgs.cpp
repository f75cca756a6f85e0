#include "controls/TextDlgs.h"

#include "common/Cp932.h"
#include "common/Error.h"

#include <memory>

namespace tobrix {

std::string PreviewBytesAsTheyAre(std::string_view firstBytes) {
    return std::string(firstBytes);
}

std::optional<std::string> FilterExtension(std::string_view filter, int index) {
    if (index < 1)
        return std::nullopt;
    // The patterns of entry i follow the (2i - 1)-th "|".
    std::size_t start = 0;
    for (int bars = 0; bars < 2 * index - 1; ++bars) {
        const std::size_t bar = FindChar(filter, '|', start);
        if (bar == std::string_view::npos)
            return std::nullopt;
        start = bar + 1;
    }
    std::string_view patterns = filter.substr(start);
    patterns = patterns.substr(0, FindChar(patterns, '|'));
    patterns = patterns.substr(0, FindChar(patterns, ';')); // only the first pattern counts
    const std::size_t dot = FindChar(patterns, '.');
    return dot == std::string_view::npos ? std::string() : std::string(patterns.substr(dot));
}

std::string ReplaceExtension(std::string_view name, std::string_view extension) {
    // Character by character, so that the second byte of a double-byte character is never
    // taken for a "\" or a ".".
    std::size_t dot = std::string_view::npos;
    for (std::size_t i = 0; i < name.size(); i += CharLength(name, i)) {
        const char c = name[i];
        if (c == '.')
            dot = i;
        else if (c == '\\' || c == '/' || c == ':')
            dot = std::string_view::npos;
    }
    std::string out(name.substr(0, dot));
    out += extension;
    return out;
}

namespace {

// The default extension for a filter's extension: without its dot. A wildcard is no
// extension ("*.*" would add ".*" to every name typed without one), so it gives none.
std::string DefaultExtOf(std::string_view extension) {
    if (extension.find_first_of("*?") != std::string_view::npos)
        return {};
    return std::string(extension.empty() ? extension : extension.substr(1));
}

bool HasWildcard(const FilePath& path) {
    for (const auto c : path.native())
        if (c == '*' || c == '?')
            return true;
    return false;
}

// The lines of the text, one after another with CR LF between them, as the text box shows them.
std::string AsLines(std::string_view text) {
    std::string out;
    LineReader reader(text);
    std::string_view line;
    bool first = true;
    while (reader.Next(line)) {
        if (!first)
            out += "\r\n";
        out += line;
        first = false;
    }
    return out;
}

} // namespace

void TExtChangeOpenDialog::BeforeExecute() {
    if (!AutoExtChange)
        return;
    if (const std::optional<std::string> extension = FilterExtension(Filter, FilterIndex))
        DefaultExt = DefaultExtOf(*extension);
}

void TExtChangeOpenDialog::DoTypeChange(int index) {
    FilterIndex = index;
    if (!AutoExtChange || view_ == nullptr)
        return;
    const std::optional<std::string> extension = FilterExtension(Filter, index);
    if (!extension)
        return;
    // A name the code page cannot hold is left as the user typed it rather than mangled.
    if (const std::optional<std::string> typed = view_->FileNameBoxText())
        view_->SetFileNameBoxText(typed->empty() ? "*" + *extension : ReplaceExtension(*typed, *extension));
    DefaultExt = DefaultExtOf(*extension);
    view_->SetDefaultExt(DefaultExt);
}

void TEnhOpenDialog::DoShow(OpenDialogView& view) {
    view.CreatePanel();
    TExtChangeOpenDialog::DoShow(view);
}

void TEnhOpenDialog::DoClose() {
    if (View() != nullptr)
        View()->DestroyPanel();
    TExtChangeOpenDialog::DoClose();
}

void TTextOpenDialog::SetPreview(bool on) {
    if (on == preview_)
        return;
    preview_ = on;
    if (previewControls_) {
        View()->SetPreviewChecked(on);
        RefreshPreview();
    }
}

void TTextOpenDialog::DoShow(OpenDialogView& view) {
    TEnhOpenDialog::DoShow(view);
    view.CreatePreviewControls(preview_);
    previewControls_ = true;
}

void TTextOpenDialog::DoClose() {
    if (previewControls_)
        View()->DestroyPreviewControls();
    previewControls_ = false;
    TEnhOpenDialog::DoClose();
}

void TTextOpenDialog::chkPreviewClick() {
    if (!previewControls_)
        return;
    preview_ = View()->PreviewChecked();
    RefreshPreview();
}

void TTextOpenDialog::RefreshPreview() {
    if (!previewControls_)
        return;
    OpenDialogView& view = *View();
    view.SetPreviewText({});
    if (!preview_)
        return;
    // Wildcards, a folder or nothing selected: an empty preview and no message.
    const FilePath name = view.CurrentFileName();
    if (name.empty() || HasWildcard(name) || !files_.IsFile(name))
        return;
    const std::unique_ptr<ByteSource> source = files_.OpenReadShared(name);
    if (!source)
        throw AppError(Substitute(kMsgCannotOpen, files_.DisplayName(name)));
    std::string bytes(kPreviewLength, '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::size_t n = source->Read(bytes.data() + got, bytes.size() - got);
        if (n == 0)
            break;
        got += n;
    }
    bytes.resize(got);
    view.SetPreviewText(AsLines(decoder_(bytes)));
}

} // namespace tobrix
