#include "app/MainClipboardClear.h"

#include "app/MainView.h"
#include "platform/Clipboard.h"
#include "store/Data.h"

namespace tobrix {

namespace {

// A program that holds the clipboard (a clipboard viewer reading it) lets go within moments:
// tried again this often, this many milliseconds apart, within a second.
constexpr int kRetries = 4;
constexpr int kRetryMilliseconds = 250;

} // namespace

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
    retries_ = kRetries;
    view_.StartTimer(MainTimer::ClipboardClear, settings_.ClipboardClearSeconds * 1000);
}

void MainClipboardClear::timClearTimer() {
    if (!pending_)
        return;
    if (clipboard_.ClearIfUnchanged(*pending_) || retries_ == 0) {
        Cancel();
        return;
    }
    --retries_;
    view_.StartTimer(MainTimer::ClipboardClear, kRetryMilliseconds);
}

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
