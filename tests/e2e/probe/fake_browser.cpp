// A stand-in for a web browser in the end-to-end tests: a top-level window with the title
// given and one Edit child per further argument, holding that text, in that order.
//
//   tobrix-fake-browser.exe <title> [<edit text> ...]      (every argument hex UTF-8, "-" empty)
//
// With "--hang" as the first argument the window stops answering messages once it is up.

#include "Utf8.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

std::wstring FromHexUtf8(const wchar_t* hex) {
    std::string bytes;
    if (std::wstring(hex) != L"-") {
        for (const wchar_t* p = hex; p[0] && p[1]; p += 2)
            bytes += static_cast<char>(std::stoi(std::wstring(p, 2), nullptr, 16));
    }
    return FromUtf8(bytes).value_or(L"");
}

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int first = 1;
    const bool hang = argc > 1 && std::wstring(argv[1]) == L"--hang";
    if (hang)
        ++first;
    if (argc <= first)
        return 2;

    WNDCLASSW wc{};
    wc.lpfnWndProc = Procedure;
    wc.hInstance = instance;
    wc.lpszClassName = L"TobrixFakeBrowser";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&wc);
    HWND frame = CreateWindowExW(0, wc.lpszClassName, FromHexUtf8(argv[first]).c_str(),
                                 WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 500, 500, 60 + 30 * (argc - first), nullptr,
                                 nullptr, instance, nullptr);
    for (int i = first + 1, y = 5; i < argc; ++i, y += 30)
        CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", FromHexUtf8(argv[i]).c_str(), WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
                        5, y, 470, 24, frame, nullptr, instance, nullptr);
    LocalFree(argv);

    MSG message;
    if (hang) {
        // Up and drawn, then deaf: only a kill ends it.
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        for (;;)
            Sleep(1000);
    }
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
