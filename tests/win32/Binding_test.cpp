// The one binding of window handles to objects, for a window, a dialog and a subclassed
// control alike: a message reaches the object only while both exist, and nothing it throws
// gets past the procedure.

#include "win32/Binding.h"

#include "common/Error.h"
#include "win32/Dialog.h"
#include "win32/Win32Platform.h"
#include "win32/Window.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tobrix::win32 {
namespace {

constexpr UINT kProbe = WM_APP + 1;
constexpr WPARAM kThrow = 1;
constexpr LRESULT kAnswer = 7;

// What reached an object; it outlives the object.
struct Tally {
    int probes = 0;
    std::vector<std::string> reported;

    LRESULT Probe(WPARAM wParam) {
        ++probes;
        if (wParam == kThrow)
            throw 42; // of no standard type
        return kAnswer;
    }
};

class ProbeWindow final : public Window {
public:
    explicit ProbeWindow(Tally& tally) : tally_(tally) {
        WNDCLASSEXW wc{};
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TobrixBindingProbe";
        RegisterClassOnce(wc);
        CreateWindowFor(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, wc.hInstance);
    }
    void ReportUnhandled(const std::exception& e) override { tally_.reported.push_back(MessageOf(e)); }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        return message == kProbe ? tally_.Probe(wParam) : DefaultHandling(message, wParam, lParam);
    }
    Tally& tally_;
};

class ProbeDialog final : public Dialog {
public:
    explicit ProbeDialog(Tally& tally) : tally_(tally) { CreateModeless(nullptr, 50, 50); }
    void ReportUnhandled(const std::exception& e) override { tally_.reported.push_back(MessageOf(e)); }

private:
    bool OnInit() override { return true; }
    bool OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
        if (message != kProbe)
            return false;
        result = tally_.Probe(wParam);
        return true;
    }
    Tally& tally_;
};

class ProbeControl final : public MessageTarget {
public:
    explicit ProbeControl(Tally& tally) : tally_(tally) {
        edit_ = CreateWindowW(L"EDIT", L"", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
        SubclassControl(edit_, *this);
    }
    HWND Handle() const { return edit_; }
    void ReportUnhandled(const std::exception& e) override { tally_.reported.push_back(MessageOf(e)); }
    LRESULT OnControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam) override {
        return message == kProbe ? tally_.Probe(wParam) : DefSubclassProc(control, message, wParam, lParam);
    }
    void OnControlDestroyed(HWND) override { edit_ = nullptr; }

private:
    Tally& tally_;
    HWND edit_ = nullptr;
};

struct Kind {
    const char* name;
    std::function<std::unique_ptr<MessageTarget>(Tally&)> make;
    std::function<HWND(MessageTarget&)> handle;
};

const Kind kKinds[] = {
    {"window", [](Tally& t) { return std::make_unique<ProbeWindow>(t); },
     [](MessageTarget& o) { return static_cast<ProbeWindow&>(o).Handle(); }},
    {"dialog", [](Tally& t) { return std::make_unique<ProbeDialog>(t); },
     [](MessageTarget& o) { return static_cast<ProbeDialog&>(o).Handle(); }},
    {"subclassed control", [](Tally& t) { return std::make_unique<ProbeControl>(t); },
     [](MessageTarget& o) { return static_cast<ProbeControl&>(o).Handle(); }},
};

TEST(Binding, AMessageReachesTheObjectOnlyWhileBothItAndItsWindowExist) {
    for (const Kind& kind : kKinds) {
        // The window goes first: the binding ends with it.
        Tally tally;
        std::unique_ptr<MessageTarget> object = kind.make(tally);
        const HWND hwnd = kind.handle(*object);
        ASSERT_NE(hwnd, nullptr) << kind.name;
        EXPECT_EQ(SendMessageW(hwnd, kProbe, 0, 0), kAnswer) << kind.name;
        DestroyWindow(hwnd);
        EXPECT_EQ(kind.handle(*object), nullptr) << kind.name;
        EXPECT_EQ(BoundTo(hwnd), nullptr) << kind.name;

        // The object goes first: later messages go to the window alone.
        object = kind.make(tally);
        const HWND left = kind.handle(*object);
        object.reset();
        EXPECT_NE(SendMessageW(left, kProbe, 0, 0), kAnswer) << kind.name;
        EXPECT_EQ(BoundTo(left), nullptr) << kind.name;
        EXPECT_EQ(tally.probes, 1) << kind.name;
        DestroyWindow(left);
    }
}

TEST(Binding, WhatAHandlerThrowsIsShownInJapaneseAndStaysOnThisSideOfWindows) {
    for (const Kind& kind : kKinds) {
        Tally tally;
        const std::unique_ptr<MessageTarget> object = kind.make(tally);
        const HWND hwnd = kind.handle(*object);
        SendMessageW(hwnd, kProbe, kThrow, 0);
        EXPECT_EQ(tally.reported, std::vector<std::string>{std::string(kMsgUnexpectedError)}) << kind.name;
        EXPECT_EQ(SendMessageW(hwnd, kProbe, 0, 0), kAnswer) << kind.name; // and it goes on
        DestroyWindow(hwnd);
    }
}

TEST(Binding, AnEnumerationStopsAtTheVisitorsErrorWhichReachesTheCaller) {
    const HWND window = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Win32Desktop desktop;
    int visits = 0;
    const auto throwing = [&](WindowHandle) -> bool {
        ++visits;
        throw AppError("stop");
    };
    EXPECT_THROW(desktop.EnumTopLevel(throwing), AppError);
    EXPECT_EQ(visits, 1);
    DestroyWindow(window);
}

} // namespace
} // namespace tobrix::win32
