#pragma once
// Reading a browser's address on a worker thread, with the answer brought back to the
// user-interface thread through a message-only window, and a timer that ends the wait.

#include "platform/BrowserAddress.h"
#include "win32/Binding.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tobrix::win32 {

class Win32BrowserAddressReader final : public BrowserAddressReader, public MessageTarget {
public:
    // `work` runs on a new thread in COM's multithreaded apartment and gives the address or
    // nothing; `boundMs` is asked at each start, on this thread, for how long to wait. Made
    // on the user-interface thread, whose message loop brings the answers.
    Win32BrowserAddressReader(std::function<std::optional<std::string>()> work, std::function<int()> boundMs);
    ~Win32BrowserAddressReader() override;

    void Start(std::function<void(std::optional<std::string>)> done) override;
    void Cancel() override;

private:
    struct Mailbox;
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnAnswer(unsigned generation);
    void OnTimer(UINT_PTR timer);
    // Ends the running reading: later answers are dropped, `done` is let go.
    std::function<void(std::optional<std::string>)> Stop();
    void ReportUnhandled(const std::exception&) override {}

    std::function<std::optional<std::string>()> work_;
    std::function<int()> boundMs_;
    std::shared_ptr<Mailbox> mailbox_;
    HWND window_ = nullptr;
    unsigned generation_ = 0; // the running reading's, or of the last one ended
    std::function<void(std::optional<std::string>)> done_;
};

} // namespace tobrix::win32
