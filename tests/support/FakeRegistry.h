#pragma once
// An in-memory registry key with its sections, and switches to make single values fail.

#include "platform/Registry.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tobrix::test {

class FakeRegistry final : public Registry {
public:
    struct Value {
        bool isText = true;
        std::string text;
        bool operator==(const Value&) const = default;
    };
    std::map<std::string, std::map<std::string, Value>, std::less<>> sections;
    std::set<std::string, std::less<>> unreadable;   // values whose read fails
    std::set<std::string, std::less<>> unwritable;   // values whose write fails
    bool failCreateSection = false;
    std::vector<std::string> writes; // names in the order written

    void SetText(const std::string& section, const std::string& name, const std::string& text) {
        sections[section][name] = {true, text};
    }
    void SetBinary(const std::string& section, const std::string& name) { sections[section][name] = {false, {}}; }

    ReadResult Read(std::string_view section, std::string_view name) override {
        const auto s = sections.find(section);
        if (s == sections.end())
            return {};
        const auto v = s->second.find(std::string(name));
        if (v == s->second.end())
            return {};
        if (unreadable.count(name) != 0)
            return {ReadStatus::Failed, {}};
        if (!v->second.isText)
            return {ReadStatus::WrongType, {}};
        return {ReadStatus::Text, v->second.text};
    }
    bool CreateSection(std::string_view section) override {
        if (failCreateSection)
            return false;
        sections[std::string(section)];
        return true;
    }
    bool Write(std::string_view section, std::string_view name, std::string_view text) override {
        if (unwritable.count(name) != 0)
            return false;
        sections[std::string(section)][std::string(name)] = {true, std::string(text)};
        writes.emplace_back(name);
        return true;
    }
    bool Remove(std::string_view section, std::string_view name) override {
        if (unwritable.count(name) != 0)
            return false;
        const auto s = sections.find(std::string(section));
        if (s != sections.end())
            s->second.erase(std::string(name));
        return true;
    }
};

} // namespace tobrix::test
