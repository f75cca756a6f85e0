#pragma once
// Message boxes with the application's title as caption and one OK button (a question: はい
// and いいえ), owned by the program's window that is active at that moment. Texts are CP932.

#include <string_view>

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
};

} // namespace tobrix
