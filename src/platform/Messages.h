#pragma once
// Message boxes with the application's title as caption and one OK button (a question: はい
// and いいえ), owned by the program's window that is active at that moment. Texts are CP932.

#include "common/Error.h"

#include <string_view>
#include <vector>

namespace tobrix {

enum class MessageIcon { None, Information, Warning, Error };

class Messages {
public:
    virtual ~Messages() = default;
    // The general error display: error icon. Pass the text through ErrorDisplayText first.
    virtual void ShowError(std::string_view text) = 0;
    virtual void ShowWarning(std::string_view text) = 0;
    virtual void ShowInformation(std::string_view text) = 0;
    // No icon: the item editor's report of an unexpected error.
    virtual void ShowPlain(std::string_view text) = 0;
    // A message with a caption of its own instead of the application's title.
    virtual void ShowCaptioned(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
    // A question with the warning icon, いいえ the default: true only for はい.
    virtual bool AskWarning(std::string_view text) = 0;
    // A question with buttons of its own (a task dialog on Windows), warning icon: the index of
    // the button chosen. `defaultButton` has the focus; closing the question without a button
    // (Esc, the close box) answers `cancelButton`.
    virtual int Ask(std::string_view text, const std::vector<std::string_view>& buttons, int defaultButton,
                    int cancelButton) = 0;
};

// Text that code page 932 cannot hold is refused rather than kept altered; %s names the field
// as its form shows it.
inline constexpr std::string_view kMsgNotCp932 =
    sjis<u8"「%s」に、シフトJISで表せない文字が含まれています。\r\nその文字を別の文字に置き換えてください。">();

inline void WarnNotCp932(Messages& messages, std::string_view field) {
    messages.ShowWarning(Substitute(kMsgNotCp932, field));
}

} // namespace tobrix
