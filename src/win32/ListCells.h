#pragma once
// What the owner-data lists of entries share: their columns and the answer to a cell request.

#include "controls/CellInfo.h"

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace tobrix::win32 {

// The five columns of an entry list at their design widths, scaled to `dpi`.
void AddEntryColumns(HWND list, int dpi);

// Fills the control's request from the presenter's cell; `buffer` holds the wide text for
// as long as the control may read it.
void AnswerCellRequest(LVITEMW& item, const CellInfo& cell, std::wstring& buffer);

} // namespace tobrix::win32
