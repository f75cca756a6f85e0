#include "win32/Win32BrowserAddress.h"

#include <objbase.h>

#include <mutex>
#include <thread>
#include <utility>

namespace tobrix::win32 {

namespace {

constexpr wchar_t kClassName[] = L"TobrixBrowserAddressReader";
constexpr UINT kAnswerMessage = WM_APP + 1; // wParam: the reading's generation

} // namespace

// What a worker shares with the reader. A worker that comes back after the reader is gone
// finds it closed and leaves; while the reader lives, a worker only posts to its window.
struct Win32BrowserAddressReader::Mailbox {
    std::mutex mutex;
    bool closed = false;
    HWND window = nullptr;
    unsigned generation = 0; // the reading whose answer is awaited; 0 for none
    std::optional<std::string> answer;
};

Win32BrowserAddressReader::Win32BrowserAddressReader(std::function<std::optional<std::string>()> work,
                                                     std::function<int()> boundMs)
    : work_(std::move(work)), boundMs_(std::move(boundMs)), mailbox_(std::make_shared<Mailbox>()) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, kClassName, &wc)) {
        wc.lpfnWndProc = Procedure;
        wc.hInstance = instance;
        wc.lpszClassName = kClassName;
        RegisterClassExW(&wc);
    }
    window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (window_ != nullptr)
        Bind(window_, *this);
    mailbox_->window = window_;
}

Win32BrowserAddressReader::~Win32BrowserAddressReader() {
    {
        std::lock_guard<std::mutex> lock(mailbox_->mutex);
        mailbox_->closed = true;
        mailbox_->answer.reset();
    }
    if (window_ != nullptr)
        DestroyWindow(window_);
}

void Win32BrowserAddressReader::Start(std::function<void(std::optional<std::string>)> done) {
    Stop();
    const int bound = boundMs_();
    done_ = std::move(done);
    const unsigned generation = ++generation_ == 0 ? ++generation_ : generation_;
    {
        std::lock_guard<std::mutex> lock(mailbox_->mutex);
        mailbox_->generation = generation;
        mailbox_->answer.reset();
    }
    if (window_ == nullptr) {
        // No window to bring an answer back: nothing can be read.
        Stop()(std::nullopt);
        return;
    }
    // The timer is named by the reading, so that a tick of an earlier one ends nothing.
    SetTimer(window_, generation, static_cast<UINT>(bound > 0 ? bound : 1), nullptr);
    try {
        std::thread([mailbox = mailbox_, work = work_, generation] {
            // The multithreaded apartment: this thread pumps no messages, which a
            // single-threaded apartment would owe to COM, and the objects it is handed may be
            // called from it directly. Only this thread waits on the browser.
            const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            std::optional<std::string> answer;
            try {
                answer = work();
            } catch (...) {
                answer.reset();
            }
            if (SUCCEEDED(com))
                CoUninitialize();
            std::lock_guard<std::mutex> lock(mailbox->mutex);
            if (!mailbox->closed && mailbox->generation == generation) {
                mailbox->answer = std::move(answer);
                PostMessageW(mailbox->window, kAnswerMessage, generation, 0);
            }
        }).detach();
    } catch (...) {
        // No thread: the answer is nothing, brought as a worker's would be.
        PostMessageW(window_, kAnswerMessage, generation, 0);
    }
}

void Win32BrowserAddressReader::Cancel() {
    Stop();
}

std::function<void(std::optional<std::string>)> Win32BrowserAddressReader::Stop() {
    if (window_ != nullptr)
        KillTimer(window_, generation_);
    {
        std::lock_guard<std::mutex> lock(mailbox_->mutex);
        mailbox_->generation = 0;
        mailbox_->answer.reset();
    }
    return std::exchange(done_, nullptr);
}

void Win32BrowserAddressReader::OnAnswer(unsigned generation) {
    if (generation != generation_ || !done_)
        return;
    std::optional<std::string> answer;
    {
        std::lock_guard<std::mutex> lock(mailbox_->mutex);
        if (mailbox_->generation != generation)
            return;
        answer = std::move(mailbox_->answer);
    }
    Stop()(std::move(answer));
}

void Win32BrowserAddressReader::OnTimer(UINT_PTR timer) {
    KillTimer(window_, timer);
    if (timer == generation_ && done_)
        Stop()(std::nullopt);
}

LRESULT CALLBACK Win32BrowserAddressReader::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kAnswerMessage || message == WM_TIMER) {
        if (auto* reader = BoundAs<Win32BrowserAddressReader>(window)) {
            // What `done` lets out is dropped here: it must report its own errors.
            Contained([&] {
                if (message == kAnswerMessage)
                    reader->OnAnswer(static_cast<unsigned>(wParam));
                else
                    reader->OnTimer(wParam);
            });
        }
        return 0;
    }
    if (message == WM_NCDESTROY)
        Unbind(window);
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace tobrix::win32
