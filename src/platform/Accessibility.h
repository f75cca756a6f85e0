#pragma once
// A window's tree of accessible objects, as the accessibility interfaces (Microsoft Active
// Accessibility with IAccessible2, or UI Automation) give it to the capture of a browser's
// address. Texts are UTF-16, as the browsers give them.

#include "platform/Desktop.h"

#include <memory>
#include <string>
#include <vector>

namespace tobrix {

// The roles of Microsoft Active Accessibility the capture looks at.
inline constexpr int kRoleDocument = 15; // ROLE_SYSTEM_DOCUMENT: a web page, never entered
inline constexpr int kRoleText = 42;     // ROLE_SYSTEM_TEXT: an editable text, the address bar among them
// ROLE_SYSTEM_PAGETABLIST: the tabs, which both families keep before the address bar. Never
// entered: with many tabs open they would spend the walk's budget and time.
inline constexpr int kRolePageTabList = 60;

class AccessibleNode {
public:
    virtual ~AccessibleNode() = default;
    // The object's role, 0 when it tells none.
    virtual int Role() = 0;
    // The object's value (an edit's text), empty when it has none.
    virtual std::u16string Value() = 0;
    // The names the browser's own developers gave the object, never translated: the class of
    // the view behind it and its element id. Empty when the browser tells none.
    virtual std::u16string ClassName() = 0;
    virtual std::u16string Id() = 0;
    // Its children in order; none when they cannot be had.
    virtual std::vector<std::unique_ptr<AccessibleNode>> Children() = 0;
};

class Accessibility {
public:
    virtual ~Accessibility() = default;
    // The accessible object of a top-level window's client area, or null when the window
    // gives none.
    virtual std::unique_ptr<AccessibleNode> RootOf(WindowHandle window) = 0;
};

} // namespace tobrix
