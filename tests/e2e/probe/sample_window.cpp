// tobrix-probe-sample: a small window for the probe's own tests. It has what the probe has to cope with
// in Tobrix: an owner-data report list view with Japanese cells, a button that opens a message box, and
// a registry write on exit. Its caption shows the state the tests check: "Probe Sample sort=<column>
// answer=<message box result>".
//
// Usage: tobrix-probe-sample [registry subkey under HKCU, default Software\TobrixProbeSample]

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kListId = 101;
constexpr int kAskId = 102;
constexpr int kBarHeight = 36;

// Written in CP932 and converted at run time, the way the program under test gets its ANSI texts.
std::wstring cp932(const char* s) {
    const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, s, -1, nullptr, 0);
    if (n <= 0) return L"?";
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(932, 0, s, -1, w.data(), n);
    w.resize(static_cast<size_t>(n) - 1);
    return w;
}

struct Row {
    std::wstring name, note;
    int size;
};

struct State {
    HWND list = nullptr;
    std::vector<Row> rows;
    std::vector<size_t> order;  // display position -> row
    int sort_column = -1;
    int answer = 0;
    std::wstring reg_key = L"Software\\TobrixProbeSample";
};

State g;

void fill_rows() {
    g.rows = {
        {L"apple", cp932("\x82\xe8\x82\xf1\x82\xb2"), 3},                                  // ringo
        {cp932("\x93\x8c\x8b\x9e"), cp932("\x8e\xf1\x93\x73"), 10},                         // Tokyo, shuto
        {cp932("\x83\x5c\x83\x74\x83\x67\x95\x5c\x8e\xa6"), cp932("\xb6\xc0\xb6\xc5"), 7},  // 0x5C trail bytes; half-width kana
        {L"zebra", cp932("\x82\xb5\x82\xdc\x82\xa4\x82\xdc"), 1},                          // shimauma
    };
    g.order.resize(g.rows.size());
    for (size_t i = 0; i < g.order.size(); ++i) g.order[i] = i;
}

std::wstring cell(const Row& row, int column) {
    switch (column) {
    case 0: return row.name;
    case 1: return row.note;
    default: return std::to_wstring(row.size);
    }
}

void update_caption(HWND hwnd) {
    const std::wstring title =
        L"Probe Sample sort=" + std::to_wstring(g.sort_column) + L" answer=" + std::to_wstring(g.answer);
    SetWindowTextW(hwnd, title.c_str());
}

void sort_by(HWND hwnd, int column) {
    g.sort_column = column;
    std::stable_sort(g.order.begin(), g.order.end(), [column](size_t a, size_t b) {
        if (column == 2) return g.rows[a].size < g.rows[b].size;
        return cell(g.rows[a], column) < cell(g.rows[b], column);
    });
    InvalidateRect(g.list, nullptr, TRUE);
    update_caption(hwnd);
}

void add_column(int index, const std::wstring& title, int width) {
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<LPWSTR>(title.c_str());
    col.cx = width;
    col.iSubItem = index;
    SendMessageW(g.list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&col));
}

void create_children(HWND hwnd) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    g.list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 0, 0,
                             0, 0, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), instance, nullptr);
    SendMessageW(g.list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    add_column(0, cp932("\x96\xbc\x91\x4f"), 120);  // namae
    add_column(1, cp932("\x83\x81\x83\x82"), 160);  // memo
    add_column(2, L"Size", 60);
    SendMessageW(g.list, LVM_SETITEMCOUNT, g.rows.size(), 0);
    CreateWindowExW(0, L"BUTTON", L"Ask", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, hwnd,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kAskId)), instance, nullptr);
}

void layout(HWND hwnd, int width, int height) {
    MoveWindow(g.list, 0, 0, width, std::max(0, height - kBarHeight), TRUE);
    MoveWindow(GetDlgItem(hwnd, kAskId), 8, std::max(0, height - kBarHeight + 6), 80, kBarHeight - 12, TRUE);
}

void save_state() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, g.reg_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    const auto sort = static_cast<DWORD>(g.sort_column);
    const auto answer = static_cast<DWORD>(g.answer);
    const auto selected = static_cast<DWORD>(SendMessageW(g.list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    const std::wstring farewell = cp932("\x83\x54\x83\x93\x83\x76\x83\x8b\x8f\x49\x97\xb9");  // sanpuru shuuryou
    RegSetValueExW(key, L"Sort", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&sort), sizeof sort);
    RegSetValueExW(key, L"Answer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&answer), sizeof answer);
    RegSetValueExW(key, L"Selected", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&selected), sizeof selected);
    RegSetValueExW(key, L"Farewell", 0, REG_SZ, reinterpret_cast<const BYTE*>(farewell.c_str()),
                   static_cast<DWORD>((farewell.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

LRESULT on_notify(HWND hwnd, const NMHDR* hdr) {
    if (hdr->idFrom != kListId) return 0;
    if (hdr->code == LVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(hdr));
        const auto pos = static_cast<size_t>(info->item.iItem);
        if ((info->item.mask & LVIF_TEXT) && pos < g.order.size() && info->item.cchTextMax > 0) {
            const std::wstring text = cell(g.rows[g.order[pos]], info->item.iSubItem);
            lstrcpynW(info->item.pszText, text.c_str(), info->item.cchTextMax);
        }
    } else if (hdr->code == LVN_COLUMNCLICK) {
        sort_by(hwnd, reinterpret_cast<const NMLISTVIEW*>(hdr)->iSubItem);
    }
    return 0;
}

LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_CREATE:
        create_children(hwnd);
        update_caption(hwnd);
        return 0;
    case WM_SIZE:
        layout(hwnd, LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_NOTIFY:
        return on_notify(hwnd, reinterpret_cast<const NMHDR*>(lp));
    case WM_COMMAND:
        if (LOWORD(wp) == kAskId) {
            // hozon shimasu ka?
            g.answer = MessageBoxW(hwnd, cp932("\x95\xdb\x91\xb6\x82\xb5\x82\xdc\x82\xb7\x82\xa9\x81\x48").c_str(),
                                   L"Probe Sample", MB_YESNO | MB_ICONQUESTION);
            update_caption(hwnd);
        }
        return 0;
    case WM_DESTROY:
        save_state();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    int argc = 0;
    if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
        if (argc > 1 && argv[1][0]) g.reg_key = argv[1];
        LocalFree(argv);
    }
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&icc);
    fill_rows();

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"ProbeSample";
    if (!RegisterClassExW(&wc)) return 1;
    HWND hwnd = CreateWindowExW(0, L"ProbeSample", L"", WS_OVERLAPPEDWINDOW, 100, 100, 480, 320, nullptr, nullptr,
                                instance, nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(hwnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
