#include "app/MainClipboardClear.h"

#include "app/MainView.h"
#include "platform/Clipboard.h"
#include "store/Data.h"

namespace tobrix {

void MainClipboardClear::Restore() { view_.SetChecked(CommandId::mnuClearClipboard, settings_.ClipboardClear); }

void MainClipboardClear::mnuClearClipboardClick() {
    settings_.ClipboardClear = !settings_.ClipboardClear;
    view_.SetChecked(CommandId::mnuClearClipboard, settings_.ClipboardClear);
    if (!settings_.ClipboardClear)
        Cancel();
}

void MainClipboardClear::PasswordCopied(std::uint32_t sequence) {
    if (!settings_.ClipboardClear)
        return;
    pending_ = sequence;
    view_.StartTimer(MainTimer::ClipboardClear, settings_.ClipboardClearSeconds * 1000);
}

void MainClipboardClear::timClearTimer() { ClearNow(); }

void MainClipboardClear::ClearNow() {
    const std::optional<std::uint32_t> sequence = pending_;
    Cancel();
    if (sequence)
        clipboard_.ClearIfUnchanged(*sequence);
}

void MainClipboardClear::Cancel() {
    if (!pending_)
        return;
    pending_.reset();
    view_.SetTimer(MainTimer::ClipboardClear, false);
}

} // namespace tobrix
