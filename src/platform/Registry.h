#pragma once
// The program's own key under the current user's registry root. Sections are its subkeys;
// every value is stored as text. Names and texts are CP932.

#include <string>
#include <string_view>

namespace tobrix {

class Registry {
public:
    virtual ~Registry() = default;

    enum class ReadStatus {
        Missing,   // the section or the value does not exist (or the section cannot be opened)
        Text,      // a text value; `text` holds it
        WrongType, // the value exists but is not text
        Failed,    // the value exists but could not be read
    };
    struct ReadResult {
        ReadStatus status = ReadStatus::Missing;
        std::string text;
    };

    virtual ReadResult Read(std::string_view section, std::string_view name) = 0;
    // Creates the section when it is missing; false when it can be neither created nor opened.
    virtual bool CreateSection(std::string_view section) = 0;
    // Stores the value as text; false on failure.
    virtual bool Write(std::string_view section, std::string_view name, std::string_view text) = 0;
    // Removes the value; true also when there was none.
    virtual bool Remove(std::string_view section, std::string_view name) = 0;
};

} // namespace tobrix
