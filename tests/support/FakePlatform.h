#pragma once
// Fakes of the small platform services: they record what the presenters asked for.

#include "common/Cp932.h"
#include "common/Error.h"
#include "platform/BrowserAddress.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/Collation.h"
#include "platform/Desktop.h"
#include "platform/Help.h"
#include "platform/InstanceLock.h"
#include "platform/Messages.h"
#include "platform/Shell.h"
#include "platform/Sound.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tobrix::test {

class FakeMessages final : public Messages {
public:
    struct Shown {
        char kind; // 'E' error, 'W' warning, 'I' information, 'P' plain, 'Q' question, 'A' question with buttons
        std::string text;
        std::string caption = {}; // empty: the application's title
        MessageIcon icon = MessageIcon::None;
    };
    std::vector<Shown> shown;
    void ShowError(std::string_view text) override { shown.push_back({'E', std::string(text)}); }
    void ShowWarning(std::string_view text) override { shown.push_back({'W', std::string(text)}); }
    void ShowInformation(std::string_view text) override { shown.push_back({'I', std::string(text)}); }
    void ShowPlain(std::string_view text) override { shown.push_back({'P', std::string(text)}); }
    void ShowCaptioned(std::string_view text, std::string_view caption, MessageIcon icon) override {
        static constexpr char kKinds[] = {'P', 'I', 'W', 'E'};
        shown.push_back({kKinds[static_cast<int>(icon)], std::string(text), std::string(caption), icon});
    }
    bool answer = false; // to every question
    bool AskWarning(std::string_view text) override {
        shown.push_back({'Q', std::string(text), {}, MessageIcon::Warning});
        return answer;
    }
    // Answers to the questions with buttons of their own, in turn; once none is left, the
    // cancel button.
    std::vector<int> choices;
    int Ask(std::string_view text, const std::vector<std::string_view>&, int, int cancelButton) override {
        shown.push_back({'A', std::string(text), {}, MessageIcon::Warning});
        if (choices.empty())
            return cancelButton;
        const int choice = choices.front();
        choices.erase(choices.begin());
        return choice;
    }
    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (const auto& s : shown)
            if (s.kind == 'E')
                out.push_back(s.text);
        return out;
    }
};

// Time moves only when the test says so.
class FakeClock final : public Clock {
public:
    std::int64_t now = 1'000'000;
    std::int64_t Milliseconds() const override { return now; }
    void Advance(std::int64_t milliseconds) { now += milliseconds; }
};

class FakeSound final : public Sound {
public:
    std::vector<unsigned> beeps;
    void Beep(unsigned type) override { beeps.push_back(type); }
};

// Byte order, so that sorting is predictable in tests. The search folds only ASCII case
// (the system's folding of width and kana type is tested with the system); every other
// character becomes a UTF-8 sequence of its own, so that the folded text keeps the form the
// search relies on.
class ByteCollation final : public Collation {
public:
    int Compare(std::string_view a, std::string_view b) const override { return a.compare(b); }
    std::string SortKey(std::string_view text) const override { return std::string(text); }
    std::string SearchFold(std::string_view text) const override {
        ++folds;
        std::string folded;
        for (std::size_t pos = 0; pos < text.size();) {
            const std::size_t length = CharLength(text, pos);
            const auto b = static_cast<unsigned char>(text[pos]);
            if (length == 1 && b < 0x80) {
                folded += b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : static_cast<char>(b);
            } else {
                // A private code point above U+FFFF for each character: four bytes of UTF-8.
                const std::uint32_t code =
                    0x100000u + (length == 2 ? (b << 8 | static_cast<unsigned char>(text[pos + 1])) : b);
                folded += static_cast<char>(0xF0 | (code >> 18));
                folded += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
                folded += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                folded += static_cast<char>(0x80 | (code & 0x3F));
            }
            pos += length;
        }
        return folded;
    }
    mutable int folds = 0; // calls of SearchFold
};

class FakeShell final : public Shell {
public:
    std::vector<std::pair<std::string, Show>> opened;
    void Open(std::string_view target, Show show) override { opened.emplace_back(target, show); }
};

class FakeClipboard final : public Clipboard {
public:
    std::optional<std::string> text; // nothing: the clipboard holds no text
    bool secret = false;             // the text came as a password
    std::uint32_t sequence = 1;      // counts every change, as the system's sequence number does
    bool failOpen = false;
    void SetText(std::string_view cp932) override {
        if (failOpen)
            throw AppError(std::string(kMsgCannotOpenClipboard));
        Change(std::string(cp932));
    }
    std::uint32_t SetSecretText(std::string_view cp932) override {
        SetText(cp932);
        secret = true;
        return sequence;
    }
    int clears = 0;
    int heldFor = 0; // another program holds the clipboard for this many more tries
    bool ClearIfUnchanged(std::uint32_t expected) override {
        if (expected != sequence)
            return true;
        if (heldFor > 0) {
            --heldFor;
            return false;
        }
        ++clears;
        Change(std::nullopt);
        return true;
    }
    // Another program puts its text on the clipboard.
    void SetByAnotherProgram(std::string_view cp932) { Change(std::string(cp932)); }

    // Delayed rendering: a promise stands until it is answered or replaced.
    bool promised = false;
    int offers = 0;
    void OfferText() override {
        ++offers;
        Change(std::nullopt);
        promised = true;
    }
    void RenderText(std::string_view cp932) override { Change(std::string(cp932)); }

private:
    void Change(std::optional<std::string> now) {
        text = std::move(now);
        secret = false;
        promised = false;
        ++sequence;
    }
};

class FakeHelp final : public Help {
public:
    std::vector<std::string> calls; // "winhelp contents <file>", "htmlhelp index <file>", "close all"
    bool htmlHelpOpens = true;
    void ShowWinHelp(const FilePath& file, HelpPage page) override { calls.push_back("winhelp " + Call(file, page)); }
    bool ShowHtmlHelp(const FilePath& file, HelpPage page) override {
        calls.push_back("htmlhelp " + Call(file, page));
        return htmlHelpOpens;
    }
    void CloseAll() override { calls.push_back("close all"); }

private:
    static std::string Call(const FilePath& file, HelpPage page) {
        return (page == HelpPage::Contents ? "contents " : "index ") + file.string();
    }
};

class FakeInstanceLock final : public InstanceLock {
public:
    bool heldElsewhere = false;
    std::string acquired;
    bool Acquire(std::string_view name) override {
        acquired = name;
        return !heldElsewhere;
    }
};

// A desktop of made-up windows: top-level windows front to back, each with descendants.
class FakeDesktop final : public Desktop {
public:
    struct Window {
        WindowHandle handle = 0;
        std::string title;
        std::string className;
        std::string text; // answer to a text request
        std::vector<WindowHandle> descendants; // in the system's order
        bool hung = false;
        bool alive = true;
        bool shown = true; // visible and not cloaked
        bool minimised = false;
    };
    std::vector<Window> windows; // top-level windows first, front to back, then the rest
    std::vector<WindowHandle> topLevel;
    std::vector<int> titleBufferSizes, classBufferSizes, textBufferSizes;
    int textRequests = 0;

    // The single-instance rule's other window.
    WindowHandle running = 0;
    std::string lookedForClass, lookedForCaption;
    bool minimized = false; // every window, for the single-instance rule's window
    std::vector<std::string> calls;

    // Adds a top-level window behind the existing ones; returns its handle.
    WindowHandle AddTopLevel(std::string title, std::string className = "Frame") {
        const WindowHandle h = NextHandle();
        windows.push_back({h, std::move(title), std::move(className), {}, {}, false, true, true});
        topLevel.push_back(h);
        return h;
    }
    WindowHandle AddChild(WindowHandle parent, std::string className, std::string text = {}) {
        const WindowHandle h = NextHandle();
        windows.push_back({h, {}, std::move(className), std::move(text), {}, false, true, true});
        Get(parent).descendants.push_back(h);
        return h;
    }
    Window& Get(WindowHandle h) {
        for (Window& w : windows)
            if (w.handle == h)
                return w;
        throw std::runtime_error("no such window");
    }

    WindowHandle FindTopLevel(std::string_view className, std::string_view caption) override {
        lookedForClass = className;
        lookedForCaption = caption;
        return running;
    }
    bool IsMinimized(WindowHandle window) override {
        for (const Window& w : windows)
            if (w.handle == window && w.minimised)
                return true;
        return minimized;
    }
    void Restore(WindowHandle) override {
        calls.push_back("restore");
        minimized = false;
    }
    void BringToFront(WindowHandle) override { calls.push_back("front"); }

    void EnumTopLevel(const std::function<bool(WindowHandle)>& visit) override {
        for (WindowHandle h : topLevel)
            if (!visit(h))
                return;
    }
    void EnumDescendants(WindowHandle parent, const std::function<void(WindowHandle)>& visit) override {
        for (WindowHandle h : Get(parent).descendants)
            visit(h);
    }
    std::string Title(WindowHandle window, int bufferSize) override {
        titleBufferSizes.push_back(bufferSize);
        return Get(window).title.substr(0, static_cast<std::size_t>(bufferSize - 1));
    }
    std::optional<std::string> ClassName(WindowHandle window, int bufferSize) override {
        classBufferSizes.push_back(bufferSize);
        return Get(window).className.substr(0, static_cast<std::size_t>(bufferSize - 1));
    }
    bool IsShown(WindowHandle window) override { return IsWindow(window) && Get(window).shown; }
    bool IsWindow(WindowHandle window) override {
        for (const Window& w : windows)
            if (w.handle == window)
                return w.alive;
        return false;
    }
    std::optional<std::string> RequestText(WindowHandle window, int bufferSize) override {
        ++textRequests;
        textBufferSizes.push_back(bufferSize);
        const Window& w = Get(window);
        if (w.hung)
            return std::nullopt;
        return w.text.substr(0, static_cast<std::size_t>(bufferSize - 1));
    }

private:
    WindowHandle NextHandle() { return static_cast<WindowHandle>(0x100 + windows.size() * 4); }
};

// Readings of today's browsers that the test answers when it likes: the callback stays held,
// also after Cancel, so that a late answer can be played.
class FakeBrowserAddressReader final : public BrowserAddressReader {
public:
    int starts = 0;
    int cancels = 0;
    std::function<void(std::optional<std::string>)> done;
    void Start(std::function<void(std::optional<std::string>)> callback) override {
        ++starts;
        done = std::move(callback);
    }
    void Cancel() override { ++cancels; }
    // Answers the latest reading, as the program's thread would get the answer.
    void Answer(std::optional<std::string> address) {
        if (!done)
            throw std::runtime_error("no reading was started");
        const auto callback = std::move(done);
        done = nullptr;
        callback(std::move(address));
    }
};

} // namespace tobrix::test
