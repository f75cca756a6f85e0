#pragma once
// The question before an import is taken over: the entries read from the file, shown as
// the main list shows them but with the passwords in plain text.

#include "common/Cp932Literal.h"
#include "controls/CellInfo.h"

#include <string>
#include <string_view>

namespace tobrix {

class ItemDataList;

inline constexpr std::string_view kPreviewCaption = sjis<u8"プレビュー">();
inline constexpr std::string_view kPreviewQuestion = sjis<u8"これらのデータを取り込みますか？">();
inline constexpr std::string_view kPreviewOK = "OK";
inline constexpr std::string_view kPreviewCancel = sjis<u8"キャンセル">();

// What TfrmPreview needs of its window.
class PreviewView {
public:
    virtual ~PreviewView() = default;
    // New row count for the owner-data list, without scrolling.
    virtual void SetRowCount(int count) = 0;
    virtual void Close() = 0;
};

class TfrmPreview {
public:
    // `notice`: lines (CR LF between them) shown above the question when the file's text was
    // changed while it was read (empty: none).
    TfrmPreview(const ItemDataList& importList, std::string notice = {})
        : Notice(std::move(notice)), importList_(importList) {}

    // The window calls this once it exists, before FormShow, and Detach when it goes.
    void Attach(PreviewView& view) { view_ = &view; }
    void Detach() { view_ = nullptr; }

    const std::string Notice;
    bool Accepted = false;

    void FormShow();
    // A row outside the list or a sixth column gets empty text.
    void lsvPreviewVMGetItemInfo(int row, int column, CellInfo& cell) const;
    void cmdOKClick();
    void cmdCancelClick();

private:
    const ItemDataList& importList_;
    PreviewView* view_ = nullptr;
};

// Appends a copy of every entry of importList to the end of items, in order; nothing is
// matched with or replaces an existing entry.
void MergeImport(const ItemDataList& importList, ItemDataList& items);

} // namespace tobrix
