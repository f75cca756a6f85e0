#pragma once
// The import options dialog's window, played by the test: the boxes' states, and what the
// user does in the windows the dialog opens.

#include "transfer/Dlg.h"
#include "transfer/Inport.h"
#include "transfer/Preview.h"
#include "support/FakeDlgView.h"

#include <functional>
#include <map>
#include <vector>

namespace tobrix::test {

class FakeInportView final : public InportView {
public:
    std::map<InportText, std::optional<std::string>> texts{{InportText::txtFileName, ""}, {InportText::txtETC, ""}};
    // The design state.
    std::map<InportCheck, bool> checks{{InportCheck::chkComma, true}, {InportCheck::chkPreview, true}};
    double start = 0;
    int quote = 0;
    std::vector<std::string> log; // the program's changes and focus moves, in order
    bool closed = false;

    // The user's part; by default the read runs to its end, the preview is accepted and the
    // open dialog is cancelled.
    std::function<void(TfrmDlg&)> onReader;
    std::function<bool(TfrmPreview&)> onPreview = [](TfrmPreview&) { return true; };
    std::function<std::optional<FilePath>(TTextOpenDialog&)> onOpenDialog = [](TTextOpenDialog&) {
        return std::optional<FilePath>();
    };
    int previews = 0;
    FakeDlgView progress;

    std::optional<std::string> Text(InportText box) const override { return texts.at(box); }
    void SetText(InportText box, std::string_view cp932) override {
        texts[box] = std::string(cp932);
        log.push_back(std::string(box == InportText::txtETC ? "txtETC=" : "txtFileName=") + std::string(cp932));
    }
    void SetFileName(const FilePath& path) override { texts[InportText::txtFileName] = path.string(); }
    bool Checked(InportCheck box) const override { return checks.count(box) != 0 && checks.at(box); }
    void SetChecked(InportCheck box, bool checked) override {
        checks[box] = checked;
        log.push_back("check" + std::to_string(static_cast<int>(box)) + (checked ? "+" : "-"));
    }
    double StartValue() const override { return start; }
    void SetStartValue(double value) override { start = value; }
    int QuoteIndex() const override { return quote; }
    void SetQuoteIndex(int index) override { quote = index; }
    void Focus(InportText box) override { log.push_back(box == InportText::txtETC ? "focusETC" : "focusFileName"); }
    void Close() override { closed = true; }
    void RunReader(TfrmDlg& reader) override {
        if (onReader) {
            onReader(reader);
            return;
        }
        reader.SetView(progress);
        reader.ReadTextFile();
    }
    void RunPreview(TfrmPreview& preview) override {
        ++previews;
        preview.Accepted = onPreview(preview);
    }
    std::optional<FilePath> RunOpenDialog(TTextOpenDialog& dialog) override { return onOpenDialog(dialog); }
};

} // namespace tobrix::test
