#pragma once
// The item editor without a window: field texts in a map, and what the presenter asked for.

#include "editor/Sub.h"

#include <functional>
#include <map>
#include <new>
#include <set>
#include <string>
#include <vector>

namespace tobrix::test {

class FakeSubView final : public SubView {
public:
    std::map<SubField, std::string> texts{{SubField::txtHTML, "http://www."}};
    std::string caption;
    std::vector<SubField> focused;
    std::vector<SubField> caretAtEnd;
    bool closed = false;
    bool capturing = false;
    int capturingChanges = 0;
    std::set<SubField> notCp932; // fields holding text that code page 932 cannot hold
    // Fields holding a look-alike: their text is what it becomes when it is mapped.
    std::set<SubField> lookAlike;
    bool failReads = false;

    std::optional<std::string> Text(SubField f, LookAlikes lookAlikes) const override {
        if (failReads)
            throw std::bad_alloc();
        if (notCp932.count(f) != 0 || (lookAlike.count(f) != 0 && lookAlikes == LookAlikes::Refused))
            return std::nullopt;
        const auto it = texts.find(f);
        return it == texts.end() ? std::string() : it->second;
    }
    void SetText(SubField f, std::string_view s) override { texts[f] = s; }
    void Focus(SubField f) override { focused.push_back(f); }
    void PlaceCaretAtEnd(SubField f) override { caretAtEnd.push_back(f); }
    void SetCaption(std::string_view s) override { caption = s; }
    void Close() override { closed = true; }
    void SetCapturing(bool on) override {
        capturing = on;
        ++capturingChanges;
    }
    // What the user does in the generator while it shows.
    std::function<void(TfrmGenerate&)> onGenerator;
    void RunGenerator(TfrmGenerate& generate) override {
        if (onGenerator)
            onGenerator(generate);
    }

    void Type(const std::string& title, const std::string& user, const std::string& password,
              const std::string& memo = "", const char* url = nullptr) {
        texts[SubField::txtTitle] = title;
        texts[SubField::txtUser] = user;
        texts[SubField::txtPassWord] = password;
        texts[SubField::txtMemo] = memo;
        if (url)
            texts[SubField::txtHTML] = url;
    }
};

} // namespace tobrix::test
