// Typing into the search field with many entries, measured under Windows (or Wine): from the
// field's new text until the real list control has drawn its rows again, with the system's
// own folding. It prints the times; it never fails on them.
//
//   tobrix-search-bench.exe [entries]      (default 100000)

#include "../NullListControl.h"
#include "../SearchData.h"
#include "app/MainList.h"
#include "app/MainState.h"
#include "store/Data.h"
#include "store/ItemDataList.h"
#include "win32/ListCells.h"
#include "win32/Win32Collation.h"

#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace tobrix;

namespace {

// The main window's list control as far as the search needs it: its rows and its selection.
class BenchList final : public bench::NullListControl {
public:
    explicit BenchList(HWND list) : list_(list) {}
    void SetRowCount(int count) override { ListView_SetItemCountEx(list_, count, LVSICF_NOSCROLL); }
    void SelectRow(int row) override {
        ListView_SetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list_, row, TRUE);
    }
    int SelectedRow() const override { return ListView_GetNextItem(list_, -1, LVNI_SELECTED); }

private:
    HWND list_;
};

MainList* g_list = nullptr;
std::wstring g_cell;

LRESULT CALLBACK Frame(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && g_list != nullptr) {
        auto& header = *reinterpret_cast<NMHDR*>(lParam);
        if (header.code == LVN_GETDISPINFOW) {
            LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
            CellInfo cell;
            g_list->lsvListVMGetItemInfo(item.iItem, item.iSubItem, cell);
            win32::AnswerCellRequest(item, cell, g_cell);
            return 0;
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

double Ms(const std::chrono::steady_clock::time_point& since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::size_t count = argc > 1 ? static_cast<std::size_t>(_wtoi(argv[1])) : 100000;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &Frame;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TobrixSearchBench";
    RegisterClassW(&wc);
    const HWND frame = CreateWindowW(wc.lpszClassName, L"bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600,
                                     nullptr, nullptr, wc.hInstance, nullptr);
    const HWND control = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_OWNERDATA,
                                         0, 0, 780, 560, frame, nullptr, wc.hInstance, nullptr);
    win32::AddEntryColumns(control, 96);

    ItemDataList items;
    bench::FillSearchEntries(count, items);
    TSettings settings;
    MainState state;
    const win32::Win32Collation collation;
    BenchList view(control);
    bench::NullSearchBox search;
    MainList list(view, search, items, settings, state, collation);
    g_list = &list;
    list.RefreshList(0);
    UpdateWindow(control);

    auto start = std::chrono::steady_clock::now();
    list.edtSearchEnter();
    std::printf("entries: %zu; the fields folded when the field first takes the focus: %.0f ms\n", count,
                Ms(start));
    // "bank" typed, then 銀行, one character after the other from an empty field.
    const struct {
        const char* text;
        const char* shown;
    } typed[] = {{"b", "b"}, {"ba", "ba"}, {"ban", "ban"}, {"bank", "bank"}, {"", ""},
                 {"\x8b\xe2", "(one kanji)"}, {"\x8b\xe2\x8d\x73", "(two kanji)"}, {"", ""}};
    double worst = 0;
    for (const auto& [text, shown] : typed) {
        start = std::chrono::steady_clock::now();
        list.edtSearchChange(text);
        UpdateWindow(control); // the rows drawn again
        const double ms = Ms(start);
        worst = std::max(worst, ms);
        std::printf("typed to %-14s %6zu rows drawn in %6.1f ms\n", (std::string("\"") + shown + "\":").c_str(),
                    static_cast<std::size_t>(list.RowCount()), ms);
    }
    std::printf("one character typed until the list is drawn, the slowest: %.1f ms (goal <= 50)\n", worst);
    DestroyWindow(frame);
    return 0;
}
