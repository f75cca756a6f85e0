#pragma once
// The reader's progress window without a window: what the presenter showed, step by step.

#include "transfer/Dlg.h"

#include <functional>
#include <string>
#include <vector>

namespace tobrix::test {

class FakeDlgView final : public DlgView {
public:
    std::string caption;
    std::vector<int> maxima; // every maximum set, in order
    int position = 0;
    int repaints = 0;
    int pumps = 0;
    bool busy = false;
    std::vector<bool> cursorChanges;
    std::function<void()> onPump; // a user's action while events run (e.g. Cancel)

    void SetCaptionText(std::string_view s) override { caption = s; }
    void SetProgressMax(int max) override {
        maxima.push_back(max);
        position = 0;
    }
    void StepProgress() override { ++position; }
    void Repaint() override { ++repaints; }
    void ProcessPendingEvents() override {
        ++pumps;
        if (onPump)
            onPump();
    }
    void SetBusy(bool on) override {
        busy = on;
        cursorChanges.push_back(on);
    }
};

} // namespace tobrix::test
