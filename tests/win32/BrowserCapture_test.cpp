// Reading a browser's address bar through the accessibility adapter, from a window of a
// browser's class that serves its own accessible objects, and the reader's bound.

#include "editor/TodaysBrowser.h"
#include "win32/Win32Accessibility.h"
#include "win32/Win32BrowserAddress.h"

#include "win32/SystemLibrary.h"
#include "win32/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tobrix::win32 {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr long kRoleClient = 10;  // ROLE_SYSTEM_CLIENT
constexpr long kRoleToolBar = 22; // ROLE_SYSTEM_TOOLBAR

// An accessible object the way a browser serves one: IAccessible, and IAccessible2's
// attributes through IServiceProvider. Simple elements (child ids) are documents here.
// Owned by the test; the count only checks that the adapter gives back what it takes.
class FakeAccessible final : public IAccessible2, public IServiceProvider {
public:
    FakeAccessible(long role, std::wstring value, std::wstring attributes)
        : role_(role), value_(std::move(value)), attributes_(std::move(attributes)) {}

    std::vector<FakeAccessible*> objects; // children that are objects, first
    int simpleDocuments = 0;              // then children that are simple elements
    std::atomic<long> references{0};

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidAccessible)
            *out = static_cast<IAccessible*>(this);
        else if (iid == kIidAccessible2 && !attributes_.empty())
            *out = static_cast<IAccessible2*>(this);
        else if (iid == kIidServiceProvider)
            *out = static_cast<IServiceProvider*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }

    // IServiceProvider, as IAccessible2 clients ask for it
    HRESULT STDMETHODCALLTYPE QueryService(REFGUID service, REFIID iid, void** out) override {
        if (service != kIidAccessible) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        return QueryInterface(iid, out);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        *count = static_cast<long>(objects.size()) + simpleDocuments;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        *out = nullptr;
        if (child.vt != VT_I4 || child.lVal < 1)
            return E_INVALIDARG;
        const auto index = static_cast<std::size_t>(child.lVal - 1);
        if (index < objects.size())
            return objects[index]->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
        return index < objects.size() + static_cast<std::size_t>(simpleDocuments) ? S_FALSE : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT, BSTR* out) override {
        *out = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        *out = child.lVal == CHILDID_SELF && !value_.empty() ? SysAllocString(value_.c_str()) : nullptr;
        return *out != nullptr ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* out) override {
        *out = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        VariantInit(out);
        out->vt = VT_I4;
        out->lVal = child.lVal == CHILDID_SELF ? role_ : kRoleDocument;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT, VARIANT* out) override {
        VariantInit(out);
        out->vt = VT_I4;
        out->lVal = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR*, VARIANT, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accLocation(long*, long*, long*, long*, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accHitTest(long, long, VARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

    // IAccessible2: only the attributes are asked for
    HRESULT STDMETHODCALLTYPE get_nRelations(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_relation(long, IUnknown**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_relations(long, IUnknown**, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE role(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE scrollTo(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE scrollToPoint(long, long, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_groupPosition(long*, long*, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_states(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_extendedRole(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_localizedExtendedRole(BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_nExtendedStates(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_extendedStates(long, BSTR**, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_localizedExtendedStates(long, BSTR**, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_uniqueID(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_windowHandle(HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_indexInParent(long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_locale(IA2Locale*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE get_attributes(BSTR* out) override {
        *out = SysAllocString(attributes_.c_str());
        return S_OK;
    }

private:
    long role_;
    std::wstring value_;
    std::wstring attributes_;
};

using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

LRESULT CALLBACK BrowserProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT) {
        auto* root = reinterpret_cast<FakeAccessible*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        static const auto serve =
            SystemFunction<LresultFromObjectFunction>(LoadSystemLibrary(L"oleacc.dll"), "LresultFromObject");
        if (root != nullptr && serve != nullptr)
            return serve(kIidAccessible, wParam, static_cast<IAccessible*>(root));
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// A thread of its own in the multithreaded apartment, with a window made by `make`, pumping
// messages until the end of the test; the adapter reads from another thread, as the reader's
// worker does.
class WindowThread {
public:
    explicit WindowThread(std::function<HWND()> make) {
        thread_ = std::thread([this, make] {
            CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue, for WM_QUIT
            {
                std::lock_guard<std::mutex> lock(mutex_);
                window_ = make();
                threadId_ = GetCurrentThreadId();
                ready_ = true;
            }
            ready.notify_all();
            while (GetMessageW(&msg, nullptr, 0, 0) > 0)
                DispatchMessageW(&msg);
            DestroyWindow(window_);
            CoUninitialize();
        });
        std::unique_lock<std::mutex> lock(mutex_);
        ready.wait(lock, [this] { return ready_; });
    }
    ~WindowThread() {
        PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND window() const { return window_; }

private:
    std::mutex mutex_;
    std::condition_variable ready;
    bool ready_ = false;
    HWND window_ = nullptr;
    DWORD threadId_ = 0;
    std::thread thread_;
};

HWND MakeBrowserWindow(const wchar_t* className, FakeAccessible& root) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BrowserProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, className, L"Example - Browser", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                  nullptr, wc.hInstance, nullptr);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&root));
    return window;
}

// Runs `read` on a new thread in the multithreaded apartment, as the reader's worker does.
void OnWorker(const std::function<void()>& read) {
    std::thread([&read] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        read();
        CoUninitialize();
    }).join();
}

struct Family {
    const wchar_t* windowClass;
    std::wstring attributes;
    std::u16string className;
    std::u16string id;
};

TEST(Win32AccessibilityTest, ReadsABrowsersFrameAndItsAddressBarByTheirAttributes) {
    const Family families[] = {
        {L"Chrome_WidgetWin_1", L"class:OmniboxViewViews;display:inline;", u"OmniboxViewViews", u""},
        {L"MozillaWindowClass", L"display:block;tag:input;id:urlbar-input;", u"", u"urlbar-input"},
    };
    for (const Family& family : families) {
        FakeAccessible bar(kRoleText, L"https://example.jp/login?a=1", family.attributes);
        FakeAccessible toolbar(kRoleToolBar, L"", L"class:ToolbarView\\:main\\;x;");
        toolbar.objects.push_back(&bar);
        FakeAccessible client(kRoleClient, L"", L"");
        client.objects.push_back(&toolbar);
        client.simpleDocuments = 1;
        {
            WindowThread browser([&] { return MakeBrowserWindow(family.windowClass, client); });
            OnWorker([&] {
                Win32Accessibility accessibility;
                auto root = accessibility.RootOf(reinterpret_cast<WindowHandle>(browser.window()));
                ASSERT_NE(root, nullptr);
                EXPECT_EQ(root->Role(), kRoleClient);
                EXPECT_EQ(root->ClassName(), u""); // no IAccessible2 on this one
                auto children = root->Children();
                ASSERT_EQ(children.size(), 2u);
                EXPECT_EQ(children[0]->Role(), kRoleToolBar);
                EXPECT_EQ(children[0]->ClassName(), u"ToolbarView:main;x"); // escaped characters
                EXPECT_EQ(children[1]->Role(), kRoleDocument);              // a simple element
                EXPECT_TRUE(children[1]->Children().empty());
                auto inToolbar = children[0]->Children();
                ASSERT_EQ(inToolbar.size(), 1u);
                EXPECT_EQ(inToolbar[0]->Role(), kRoleText);
                EXPECT_EQ(inToolbar[0]->Value(), u"https://example.jp/login?a=1");
                EXPECT_EQ(inToolbar[0]->ClassName(), family.className);
                EXPECT_EQ(inToolbar[0]->Id(), family.id);
            });
        }
        // Every reference the adapter took was given back.
        EXPECT_EQ(client.references.load(), 0);
        EXPECT_EQ(toolbar.references.load(), 0);
        EXPECT_EQ(bar.references.load(), 0);
    }
}

TEST(Win32AccessibilityTest, ReadsAStandardEditsValueAndRole) {
    WindowThread edit([] {
        return CreateWindowExW(0, L"EDIT", L"https://example.jp/\u30ED\u30B0", WS_OVERLAPPED, 0, 0, 300, 30, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    });
    OnWorker([&] {
        auto root = Win32Accessibility().RootOf(reinterpret_cast<WindowHandle>(edit.window()));
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->Role(), kRoleText);
        EXPECT_EQ(root->Value(), u"https://example.jp/\u30ED\u30B0");
        EXPECT_EQ(root->ClassName(), u"");
    });
}

// Wine has no UI Automation client: there the adapter must give no root, not fail; on Windows it
// reads the edit as MSAA does.
TEST(Win32UiAutomationTest, ReadsAStandardEditOrGivesNoRootWhereThereIsNoUiAutomation) {
    WindowThread edit([] {
        return CreateWindowExW(0, L"EDIT", L"https://example.jp/", WS_OVERLAPPED, 0, 0, 300, 30, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    });
    OnWorker([&] {
        auto root = Win32UiAutomation().RootOf(reinterpret_cast<WindowHandle>(edit.window()));
        if (root == nullptr)
            return;
        EXPECT_EQ(root->Role(), kRoleText);
        EXPECT_EQ(root->Value(), u"https://example.jp/");
        EXPECT_EQ(root->ClassName(), u"Edit");
    });
}

TEST(Win32AccessibilityTest, NoWindowGivesNoRoot) {
    OnWorker([] { EXPECT_EQ(Win32Accessibility().RootOf(0), nullptr); });
}

TEST(Ia2AttributeTest, FindsOneNameAmongEscapedPairs) {
    const std::u16string_view attributes = u"tag:input;x\\:y:1\\;2;id:urlbar-input;class:a\\\\b";
    EXPECT_EQ(Ia2Attribute(attributes, u"id"), u"urlbar-input");
    EXPECT_EQ(Ia2Attribute(attributes, u"x:y"), u"1;2");
    EXPECT_EQ(Ia2Attribute(attributes, u"class"), u"a\\b"); // the last pair needs no ';'
    EXPECT_EQ(Ia2Attribute(attributes, u"y"), u"");
    EXPECT_EQ(Ia2Attribute(u"id;class:c;", u"id"), u"");
}

using test::PumpUntil;

// An element of UI Automation's raw view as a browser serves it natively (control type, class
// and value), its own walker noting whose children were asked for.
using Uia = IUIAutomationElement;
struct FakeUiaElement final : public Uia, public IUIAutomationTreeWalker {
    FakeUiaElement(long type, const wchar_t* name, const wchar_t* value, std::vector<FakeUiaElement*> kids = {})
        : type_(type), className_(name), value_(value), children_(std::move(kids)) {
        for (std::size_t k = 0; k + 1 < children_.size(); ++k)
            children_[k]->next_ = children_[k + 1];
    }
    std::vector<FakeUiaElement*>* entered = nullptr; // kept by the root, which walks
    std::atomic<long> references{0};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override { return *out = nullptr, E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    HRESULT STDMETHODCALLTYPE SetFocus() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRuntimeId(void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindFirst(void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindAll(void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindFirstBuildCache(void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindAllBuildCache(void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BuildUpdatedCache(void*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue(int id, VARIANT* out) override {
        VariantInit(out);
        const wchar_t* text = id == 30012 ? className_ : id == 30045 ? value_ : L"";
        if (id == 30003) {
            out->vt = VT_I4;
            out->lVal = type_;
        } else if (*text != L'\0') {
            out->vt = VT_BSTR;
            out->bstrVal = SysAllocString(text);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetParentElement(Uia*, Uia**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetFirstChildElement(Uia* parent, Uia** out) override {
        auto* element = static_cast<FakeUiaElement*>(parent);
        entered->push_back(element);
        return Give(element->children_.empty() ? nullptr : element->children_.front(), out);
    }
    HRESULT STDMETHODCALLTYPE GetLastChildElement(Uia*, Uia**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNextSiblingElement(Uia* element, Uia** out) override {
        return Give(static_cast<FakeUiaElement*>(element)->next_, out);
    }

private:
    static HRESULT Give(FakeUiaElement* element, Uia** out) {
        if ((*out = element) == nullptr)
            return S_FALSE;
        element->AddRef();
        return S_OK;
    }
    long type_;
    const wchar_t *className_, *value_;
    std::vector<FakeUiaElement*> children_;
    FakeUiaElement* next_ = nullptr;
};

// Chromium's tab strip (a Tab control) is not entered; its page is a Document whose Value is its address.
TEST(Win32UiAutomationTest, AFramesTabsAndPageAreNotEnteredAndThePagesAddressIsItsValue) {
    FakeUiaElement planted(50004, L"OmniboxViewViews", L"evil.example/"), tabItem(50019, L"Tab", L"");
    FakeUiaElement tabs(50018, L"TabStrip", L"", {&tabItem, &planted});
    FakeUiaElement bar(50004, L"BraveOmniboxViewViews", L"example.jp/login");
    FakeUiaElement toolbar(50021, L"ToolbarView", L"", {&bar});
    FakeUiaElement inPage(50004, L"OmniboxViewViews", L"evil.example/");
    FakeUiaElement page(50030, L"", L"http://www.example.jp/login", {&inPage});
    FakeUiaElement frame(50033, L"BrowserView", L"", {&tabs, &toolbar, &page});
    std::vector<FakeUiaElement*> entered;
    frame.entered = &entered;
    {
        const std::unique_ptr<AccessibleNode> root = UiaNodeOf(&frame, &frame);
        ASSERT_NE(root, nullptr);
        const FrameReading reading = ReadFrame(*root, BrowserFamily::Chromium);
        EXPECT_EQ(reading.bar, u"example.jp/login");
        EXPECT_EQ(reading.pages, std::vector<std::u16string>{u"http://www.example.jp/login"});
        EXPECT_EQ(entered, (std::vector<FakeUiaElement*>{&frame, &toolbar}));
    }
    for (FakeUiaElement* element : {&planted, &tabItem, &tabs, &bar, &toolbar, &page, &inPage, &frame})
        EXPECT_EQ(element->references.load(), 0); // every reference given back
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {}

struct Answers {
    std::vector<std::optional<std::string>> got;
    std::function<void(std::optional<std::string>)> Done() {
        return [this](std::optional<std::string> answer) { got.push_back(std::move(answer)); };
    }
};

TEST(Win32BrowserAddressReaderTest, AQuickAnswerComesBackOnTheCallersThread) {
    const DWORD caller = GetCurrentThreadId();
    std::atomic<DWORD> worker{0};
    Win32BrowserAddressReader reader(
        [&]() -> std::optional<std::string> {
            worker = GetCurrentThreadId();
            return "https://example.jp/";
        },
        [] { return 2000; });
    DWORD doneOn = 0;
    std::optional<std::string> got;
    bool called = false;
    reader.Start([&](std::optional<std::string> answer) {
        doneOn = GetCurrentThreadId();
        got = std::move(answer);
        called = true;
    });
    EXPECT_FALSE(called); // never from within Start
    ASSERT_TRUE(PumpUntil([&] { return called; }, 1500ms));
    EXPECT_EQ(got, "https://example.jp/");
    EXPECT_EQ(doneOn, caller);
    EXPECT_NE(worker.load(), caller);
}

TEST(Win32BrowserAddressReaderTest, AWorkThatThrowsGivesNothing) {
    Win32BrowserAddressReader reader([]() -> std::optional<std::string> { throw std::runtime_error("gone"); },
                                     [] { return 2000; });
    Answers answers;
    reader.Start(answers.Done());
    ASSERT_TRUE(PumpUntil([&] { return !answers.got.empty(); }, 1500ms));
    EXPECT_EQ(answers.got.size(), 1u);
    EXPECT_EQ(answers.got[0], std::nullopt);
}

TEST(Win32BrowserAddressReaderTest, AHungWorkEndsAtTheBoundAndItsLateAnswerIsDropped) {
    // The first reading hangs past its bound; its answer comes while the second one runs.
    std::atomic<int> calls{0};
    std::atomic<int> bounds{0};
    Win32BrowserAddressReader reader(
        [&]() -> std::optional<std::string> {
            if (++calls == 1) {
                std::this_thread::sleep_for(700ms);
                return "https://late.example/";
            }
            std::this_thread::sleep_for(900ms);
            return "https://second.example/";
        },
        [&] { return ++bounds == 1 ? 200 : 3000; });
    Answers answers;
    int ticks = 0; // the caller's loop goes on while the worker hangs
    const UINT_PTR ticker = SetTimer(nullptr, 0, 20, Tick);
    const auto started = Clock::now();
    reader.Start(answers.Done());
    ASSERT_TRUE(PumpUntil(
        [&] {
            ++ticks;
            return !answers.got.empty();
        },
        2000ms));
    const auto waited = Clock::now() - started;
    KillTimer(nullptr, ticker);
    EXPECT_EQ(answers.got[0], std::nullopt);
    EXPECT_GE(waited, 150ms);
    EXPECT_LT(waited, 600ms);
    EXPECT_GT(ticks, 5);

    reader.Start(answers.Done());
    ASSERT_TRUE(PumpUntil([&] { return answers.got.size() == 2; }, 2500ms));
    EXPECT_EQ(answers.got[1], "https://second.example/");
    PumpUntil([] { return false; }, 200ms);
    EXPECT_EQ(answers.got.size(), 2u);
}

TEST(Win32BrowserAddressReaderTest, ABrowserWindowThatDoesNotAnswerEndsAtTheBound) {
    // A browser-class window whose thread stops answering messages, as a hung browser's does:
    // the real adapter's request waits on it, the reading ends at its bound all the same.
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> window{nullptr};
    std::thread hung([&] {
        HWND made = CreateWindowExW(0, L"Static", L"Hung - Browser", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                    nullptr, GetModuleHandleW(nullptr), nullptr);
        window = made;
        WaitForSingleObject(release, 10000); // pumps nothing meanwhile
        DestroyWindow(made);
    });
    while (window.load() == nullptr)
        std::this_thread::sleep_for(5ms);
    std::atomic<bool> answered{false};
    Win32BrowserAddressReader reader(
        [&, target = window.load()]() -> std::optional<std::string> {
            Win32Accessibility accessibility;
            const bool root = accessibility.RootOf(reinterpret_cast<WindowHandle>(target)) != nullptr;
            answered = true;
            return root ? std::optional<std::string>("https://answered.example/") : std::nullopt;
        },
        [] { return 300; });
    Answers answers;
    const auto started = Clock::now();
    reader.Start(answers.Done());
    ASSERT_TRUE(PumpUntil([&] { return !answers.got.empty(); }, 3000ms));
    const auto waited = Clock::now() - started;
    EXPECT_EQ(answers.got[0], std::nullopt);
    EXPECT_FALSE(answered.load()); // still waiting on the window when the bound ended it
    EXPECT_LT(waited, 1500ms);
    SetEvent(release);
    hung.join();
    PumpUntil([&] { return answered.load(); }, 3000ms); // the worker ends by itself
    EXPECT_EQ(answers.got.size(), 1u);
    CloseHandle(release);
}

TEST(Win32BrowserAddressReaderTest, CancelAndTheReadersEndDropTheAnswer) {
    Answers answers;
    {
        Win32BrowserAddressReader reader(
            []() -> std::optional<std::string> {
                std::this_thread::sleep_for(100ms);
                return "https://example.jp/";
            },
            [] { return 1000; });
        reader.Start(answers.Done());
        reader.Cancel();
        PumpUntil([] { return false; }, 400ms);
        EXPECT_TRUE(answers.got.empty());

        reader.Start(answers.Done()); // the reader is gone before its worker answers
    }
    PumpUntil([] { return false; }, 400ms);
    EXPECT_TRUE(answers.got.empty());
}

} // namespace
} // namespace tobrix::win32
