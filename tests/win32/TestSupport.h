#pragma once
// What the Windows layer's tests share: an owner that takes a window's unhandled errors, a
// temporary folder of a test's own, the message pump, and UTF-8 for what a test prints.

#include "platform/Files.h"
#include "win32/Binding.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace tobrix::test {

// The object of a window above the one under test (its owner or parent): an error a handler
// below lets out reaches it (ReportToOwner), is kept and fails the test. Without a window of
// the test's, it makes a hidden one of its own to own a dialog.
class ReportTaker final : public win32::MessageTarget {
public:
    explicit ReportTaker(HWND window = nullptr) : own_(window == nullptr) {
        window_ = own_ ? CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr)
                       : window;
        win32::Bind(window_, *this);
    }
    ~ReportTaker() override {
        win32::Unbind(window_);
        if (own_)
            DestroyWindow(window_);
    }
    HWND Handle() const { return window_; }
    void ReportUnhandled(const std::exception& e) override {
        reported.push_back(e.what());
        ADD_FAILURE() << "reported: " << e.what();
    }

    std::vector<std::string> reported;

private:
    bool own_;
    HWND window_;
};

// A folder of its own under the user's temporary folder, empty at the start and removed with
// everything in it at the end.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = FilePath(temp) / (name + L" " + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const FilePath& Path() const { return path_; }
    FilePath operator/(const std::wstring& name) const { return path_ / name; }

private:
    FilePath path_;
};

// Runs every message waiting on this thread; `take` sees each first and keeps it from the
// window when it answers true (a shortcut the program's loop translates).
inline void PumpWaiting(const std::function<bool(MSG&)>& take = nullptr) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (take && take(message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Pumps this thread's messages, as the program's loops do, until `stop` or the time is up.
inline bool PumpUntil(const std::function<bool()>& stop, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!stop() && std::chrono::steady_clock::now() < end) {
        PumpWaiting();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return stop();
}

} // namespace tobrix::test
