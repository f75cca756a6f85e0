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
    FillEntryCell(item, column, item.Password, cell); // in plain text, whatever the main list hides
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
