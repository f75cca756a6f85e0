#pragma once
// The open file dialog without a window: the file-name box, the selection and the preview
// controls as plain values, with a log of what was created and destroyed.

#include "controls/TextDlgs.h"

#include <string>
#include <vector>

namespace tobrix::test {

class FakeOpenDialogView final : public OpenDialogView {
public:
    std::string fileNameBox;
    bool fileNameBoxNotCp932 = false;
    std::string defaultExt = "(unset)";
    FilePath current;
    bool checked = false;
    std::string previewText = "(untouched)";
    std::vector<std::string> log; // creations and destructions in order

    std::optional<std::string> FileNameBoxText() const override {
        if (fileNameBoxNotCp932)
            return std::nullopt;
        return fileNameBox;
    }
    void SetFileNameBoxText(std::string_view cp932) override { fileNameBox = cp932; }
    void SetDefaultExt(std::string_view ext) override { defaultExt = ext; }
    FilePath CurrentFileName() const override { return current; }
    void CreatePanel() override { log.push_back("panel"); }
    void DestroyPanel() override { log.push_back("~panel"); }
    void CreatePreviewControls(bool on) override {
        checked = on;
        log.push_back("controls");
    }
    void DestroyPreviewControls() override { log.push_back("~controls"); }
    bool PreviewChecked() const override { return checked; }
    void SetPreviewChecked(bool on) override { checked = on; }
    void SetPreviewText(std::string_view cp932) override { previewText = cp932; }
};

} // namespace tobrix::test
