#include "transfer/Preview.h"

#include "store/ItemDataList.h"

#include <memory>

namespace tobrix {

void TfrmPreview::FormShow() { view_->SetRowCount(importList_.Count()); }

void TfrmPreview::lsvPreviewVMGetItemInfo(int row, int column, CellInfo& cell) const {
    cell.Text = {};
    cell.Param = 0;
    if (row < 0 || row >= importList_.Count())
        return;
    const TVirtualItem& item = importList_.At(row);
    switch (column) {
    case 0: cell.Text = item.Title; break;
    case 1: cell.Text = item.UserID; break;
    case 2: cell.Text = item.Password; break; // in plain text, whatever the main list hides
    case 3: cell.Text = item.Memo; break;
    case 4: cell.Text = item.URL; break;
    default: break;
    }
    cell.ImageIndex = item.ImageIndex;
    cell.State |= item.StateBits;
}

void TfrmPreview::cmdOKClick() {
    Accepted = true;
    view_->Close();
}

void TfrmPreview::cmdCancelClick() {
    Accepted = false;
    view_->Close();
}

void MergeImport(const ItemDataList& importList, ItemDataList& items) {
    items.Reserve(static_cast<std::size_t>(items.Count()) + static_cast<std::size_t>(importList.Count()));
    for (int i = 0; i < importList.Count(); ++i)
        items.Append(std::make_unique<TVirtualItem>(importList.At(i)));
}

} // namespace tobrix
