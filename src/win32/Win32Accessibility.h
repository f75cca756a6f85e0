#pragma once
// The accessible objects of another program's window, read through Microsoft Active
// Accessibility (IAccessible) and, where the program serves it, IAccessible2's object
// attributes. Every call goes to the other program and may wait for it: use this off the
// user-interface thread, on a thread that has initialised COM (see Win32BrowserAddress.h).

#include "platform/Accessibility.h"

#include <windows.h>

#include <oleacc.h>

#include <string>
#include <string_view>

namespace tobrix::win32 {

// Declared here, since MinGW's headers lack them; the ids as published with the interfaces.
inline constexpr IID kIidAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
inline constexpr IID kIidServiceProvider = {
    0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};
inline constexpr IID kIidAccessible2 = {0xE89F726E, 0xC4F4, 0x4C19, {0xBB, 0x19, 0xB6, 0x47, 0xD7, 0xFA, 0x84, 0x78}};

struct IA2Locale {
    BSTR language;
    BSTR country;
    BSTR variant;
};

// IAccessible2 up to get_attributes, the one method read here, in the order of the published
// interface definition (Accessible2.idl). Types the program does not use are given by their
// size: interface pointers as IUnknown, enumerations as long.
struct IAccessible2 : public IAccessible {
    virtual HRESULT STDMETHODCALLTYPE get_nRelations(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_relation(long index, IUnknown** relation) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_relations(long max, IUnknown** relations, long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE role(long* role) = 0;
    virtual HRESULT STDMETHODCALLTYPE scrollTo(long scrollType) = 0;
    virtual HRESULT STDMETHODCALLTYPE scrollToPoint(long coordinateType, long x, long y) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_groupPosition(long* level, long* similar, long* position) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_states(long* states) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_extendedRole(BSTR* role) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_localizedExtendedRole(BSTR* role) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_nExtendedStates(long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_extendedStates(long max, BSTR** states, long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_localizedExtendedStates(long max, BSTR** states, long* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_uniqueID(long* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_windowHandle(HWND* window) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_indexInParent(long* index) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_locale(IA2Locale* locale) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_attributes(BSTR* attributes) = 0;
};

// UI Automation's element and raw-view walker, which MinGW's headers lack: only the methods
// called here, with placeholders keeping the other slots in the order of the published interface
// definition (UIAutomationClient.idl).
struct IUIAutomationElement : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRuntimeId(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirst(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAll(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindFirstBuildCache(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindAllBuildCache(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE BuildUpdatedCache(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue(int propertyId, VARIANT* value) = 0;
};

struct IUIAutomationTreeWalker : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetParentElement(IUIAutomationElement*, IUIAutomationElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFirstChildElement(IUIAutomationElement*, IUIAutomationElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLastChildElement(IUIAutomationElement*, IUIAutomationElement**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNextSiblingElement(IUIAutomationElement*, IUIAutomationElement**) = 0;
};

// One value of IAccessible2's object attributes ("name:value;name:value;", where a backslash
// takes the next character as it is); empty when the name is not there.
std::u16string Ia2Attribute(std::u16string_view attributes, std::u16string_view name);

// Through Microsoft Active Accessibility: roles, values and children from IAccessible, the
// class and the id from IAccessible2's attributes "class" and "id".
class Win32Accessibility final : public Accessibility {
public:
    std::unique_ptr<AccessibleNode> RootOf(WindowHandle window) override;
};

// Through UI Automation: the role from the control type, the value from the Value pattern,
// the class and the id from the properties ClassName and AutomationId, the children from the
// raw view. No root where UI Automation cannot be had (Wine has no CUIAutomation).
class Win32UiAutomation final : public Accessibility {
public:
    std::unique_ptr<AccessibleNode> RootOf(WindowHandle window) override;
};

// The node Win32UiAutomation makes of an element, walked with `walker` (both referenced anew);
// null when either is.
std::unique_ptr<AccessibleNode> UiaNodeOf(IUIAutomationTreeWalker* walker, IUIAutomationElement* element);

} // namespace tobrix::win32
