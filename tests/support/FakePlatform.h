#pragma once
// Fakes of the small platform services: they record what the presenters asked for.

#include "platform/Desktop.h"
#include "platform/InstanceLock.h"
#include "platform/Messages.h"
#include "platform/Sound.h"

#include <string>
#include <vector>

namespace tobrix::test {

class FakeMessages final : public Messages {
public:
    struct Shown {
        char kind; // 'E' error, 'W' warning, 'I' information
        std::string text;
    };
    std::vector<Shown> shown;
    void ShowError(std::string_view text) override { shown.push_back({'E', std::string(text)}); }
    void ShowWarning(std::string_view text) override { shown.push_back({'W', std::string(text)}); }
    void ShowInformation(std::string_view text) override { shown.push_back({'I', std::string(text)}); }
    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (const auto& s : shown)
            if (s.kind == 'E')
                out.push_back(s.text);
        return out;
    }
};

class FakeSound final : public Sound {
public:
    std::vector<unsigned> beeps;
    void Beep(unsigned type) override { beeps.push_back(type); }
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

// A desktop with at most one window of interest, enough for the single-instance rule.
class FakeDesktop final : public Desktop {
public:
    WindowHandle running = 0; // the other instance's main window, 0 when not (yet) there
    std::string lookedForClass, lookedForCaption;
    bool minimized = false;
    std::vector<std::string> calls;
    WindowHandle FindTopLevel(std::string_view className, std::string_view caption) override {
        lookedForClass = className;
        lookedForCaption = caption;
        return running;
    }
    bool IsMinimized(WindowHandle) override { return minimized; }
    void Restore(WindowHandle) override {
        calls.push_back("restore");
        minimized = false;
    }
    void BringToFront(WindowHandle) override { calls.push_back("front"); }
};

} // namespace tobrix::test
