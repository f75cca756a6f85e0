#pragma once
// The open file dialog without a window: the file-name box, the selection and the preview
// controls as plain values.

#include "controls/TextDlgs.h"

#include <string>

namespace tobrix::test {

class FakeOpenDialogView final : public OpenDialogView {
public:
    std::string fileNameBox;
    bool fileNameBoxNotCp932 = false;
    std::string defaultExt;
    FilePath current;
    bool checked = false;
    std::string previewText = "(untouched)";
    int panels = 0, controls = 0; // how many exist

    std::optional<std::string> FileNameBoxText() const override {
        return fileNameBoxNotCp932 ? std::nullopt : std::optional<std::string>(fileNameBox);
    }
    void SetFileNameBoxText(std::string_view cp932) override { fileNameBox = cp932; }
    void SetDefaultExt(std::string_view ext) override { defaultExt = ext; }
    FilePath CurrentFileName() const override { return current; }
    void CreatePanel() override { ++panels; }
    void DestroyPanel() override { --panels; }
    void CreatePreviewControls(bool on) override { checked = on, ++controls; }
    void DestroyPreviewControls() override { --controls; }
    bool PreviewChecked() const override { return checked; }
    void SetPreviewChecked(bool on) override { checked = on; }
    void SetPreviewText(std::string_view cp932) override { previewText = cp932; }
};

} // namespace tobrix::test
