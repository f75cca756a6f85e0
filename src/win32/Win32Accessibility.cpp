// How today's browsers show their address bar to other programs, and what is read here.
//
// Chromium and the browsers built on it that keep its address bar (Chrome, Edge, Brave) draw
// their own frame with the "views" toolkit; every view gives its accessible object the name of
// its C++ class, never translated. The address bar is the view class OmniboxViewViews (Brave
// derives BraveOmniboxViewViews from it), an editable text (ROLE_SYSTEM_TEXT) whose value is the
// address without its scheme and "www.". The page's root web area, a document, gives the page's
// address as its value: in MSAA's get_accValue, and through the Value pattern UI Automation
// serves on documents for that reason. Chromium's Windows
// layer (ui/accessibility/platform) gives that class name to both interfaces: the UI
// Automation property ClassName, and the IAccessible2 object attribute "class" (its
// ComputeAttributes exposes the class attribute from the node's class name; its
// QueryService hands IAccessible2 out for the service IID_IAccessible). Chromium's own
// accessibility tests and ChromeOS tests look the bar up by that class name, as do
// automation scripts for Chrome and Edge.
//
// Firefox builds its frame from HTML; the address bar is the <input id="urlbar-input">. The
// element id, never translated, is the IAccessible2 object attribute "id" (Firefox's
// attribute list carries "id" and "tag" for an element), and the UI Automation
// AutomationId where Firefox's own UI Automation is on (off by default until 2025, on from
// Firefox 143). Its place in the tree moves between releases (wrapped in new containers in
// 2025 and 2026; in Firefox 150 the bar became a combo box in UI Automation), so the bar is
// searched for by its id, at any depth, never by a path or by its localised name.
//
// Which interface: Microsoft Active Accessibility with IAccessible2 is what both families
// have served for years to the screen readers most people use (NVDA, JAWS), is read with
// oleacc alone, and works under Wine. Its weak point is that IAccessible2
// is a custom COM interface: a call from another process needs its proxy registered on the
// machine (screen readers and Firefox register one; a machine with none of them may refuse
// it). Roles, values and children come through plain IAccessible, whose proxy comes with
// Windows. UI Automation marshals its own properties and needs no such proxy, but Chromium
// served it natively only behind a switch for years and Firefox only from 2025; Windows
// otherwise builds it from the same MSAA objects. Where IAccessible2 cannot be had, the
// node tells no class and no id. Win32UiAutomation below reads the same two keys (ClassName,
// AutomationId) through UI Automation; the program asks it first, since on Windows 10 and 11
// it needs nothing registered, and asks MSAA where it shows no bar (on Chromium only where it
// gives no tree: IAccessible2 turns on its screen-reader mode). Firefox gives its document's
// address as MSAA's value too. Wine has no UI Automation
// client, so only its clean failure is tried here.

#include "win32/Win32Accessibility.h"

#include "win32/SystemLibrary.h"

#include <servprov.h>

#include <optional>
#include <utility>
#include <vector>

namespace tobrix::win32 {

// UI Automation's client object, which MinGW's headers lack (its element and walker are in the
// header): only the methods called here, with placeholders keeping the other slots in the order
// of the published interface definition (UIAutomationClient.idl).
inline constexpr CLSID kClsidCuiAutomation = {
    0xFF48DBA4, 0x60EF, 0x4201, {0xAA, 0x87, 0x54, 0x10, 0x3E, 0xEF, 0x59, 0x4E}};
inline constexpr IID kIidUiAutomation = {0x30CBE57D, 0xD9D0, 0x452A, {0xAB, 0x13, 0x7A, 0xC5, 0xAC, 0x48, 0x25, 0xEE}};

struct IUIAutomation : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CompareElements(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareRuntimeIds(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRootElement(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(HWND window, IUIAutomationElement** element) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromPoint(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFocusedElement(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetRootElementBuildCache(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromHandleBuildCache(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE ElementFromPointBuildCache(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetFocusedElementBuildCache(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateTreeWalker(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ControlViewWalker(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ContentViewWalker(void*) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RawViewWalker(IUIAutomationTreeWalker** walker) = 0;
};

namespace {

// oleacc is no known DLL: from the system folder, on first use, and kept.
struct Oleacc {
    using FromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    using Children = HRESULT(WINAPI*)(IAccessible*, LONG, LONG, VARIANT*, LONG*);
    FromWindow fromWindow = nullptr;
    Children children = nullptr;
};

const Oleacc& LoadOleacc() {
    static const Oleacc oleacc = [] {
        Oleacc found;
        if (HMODULE module = LoadSystemLibrary(L"oleacc.dll")) {
            found.fromWindow = SystemFunction<Oleacc::FromWindow>(module, "AccessibleObjectFromWindow");
            found.children = SystemFunction<Oleacc::Children>(module, "AccessibleChildren");
        }
        return found;
    }();
    return oleacc;
}

// Holds one reference to a COM object.
template <class T> class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* p) : p_(p) {}
    ComRef(const ComRef& other) : p_(other.p_) {
        if (p_)
            p_->AddRef();
    }
    ComRef& operator=(ComRef other) {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComRef() {
        if (p_)
            p_->Release();
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For an out parameter: the old object is let go first.
    void** Out() {
        *this = ComRef();
        return reinterpret_cast<void**>(&p_);
    }

private:
    T* p_ = nullptr;
};

std::u16string TakeBstr(BSTR text) {
    std::u16string result;
    if (text != nullptr) {
        result.assign(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
        SysFreeString(text);
    }
    return result;
}

VARIANT ChildVariant(LONG child) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = child;
    return v;
}

// A browser that claims millions of children is not walked.
constexpr long kMaxChildren = 4096;

class MsaaNode final : public AccessibleNode {
public:
    MsaaNode(ComRef<IAccessible> object, LONG child) : object_(std::move(object)), child_(child) {}

    int Role() override {
        VARIANT role;
        VariantInit(&role);
        int result = 0;
        if (SUCCEEDED(object_->get_accRole(ChildVariant(child_), &role)) && role.vt == VT_I4)
            result = static_cast<int>(role.lVal);
        VariantClear(&role);
        return result;
    }

    std::u16string Value() override {
        BSTR value = nullptr;
        if (FAILED(object_->get_accValue(ChildVariant(child_), &value))) {
            SysFreeString(value);
            return {};
        }
        return TakeBstr(value);
    }

    std::u16string ClassName() override { return Ia2Attribute(Attributes(), u"class"); }
    std::u16string Id() override { return Ia2Attribute(Attributes(), u"id"); }

    std::vector<std::unique_ptr<AccessibleNode>> Children() override {
        std::vector<std::unique_ptr<AccessibleNode>> result;
        const Oleacc& oleacc = LoadOleacc();
        long count = 0;
        // A simple element (a child id of its parent's object) has no children of its own.
        if (child_ != CHILDID_SELF || oleacc.children == nullptr || FAILED(object_->get_accChildCount(&count)) ||
            count <= 0)
            return result;
        count = count < kMaxChildren ? count : kMaxChildren;
        std::vector<VARIANT> children(static_cast<std::size_t>(count));
        for (VARIANT& v : children)
            VariantInit(&v);
        LONG got = 0;
        if (SUCCEEDED(oleacc.children(object_.get(), 0, count, children.data(), &got))) {
            got = got < count ? got : count;
            for (LONG i = 0; i < got; ++i) {
                VARIANT& v = children[static_cast<std::size_t>(i)];
                if (v.vt == VT_DISPATCH && v.pdispVal != nullptr) {
                    ComRef<IAccessible> child;
                    if (SUCCEEDED(v.pdispVal->QueryInterface(kIidAccessible, child.Out())) && child)
                        result.push_back(std::make_unique<MsaaNode>(std::move(child), CHILDID_SELF));
                } else if (v.vt == VT_I4) {
                    result.push_back(std::make_unique<MsaaNode>(object_, v.lVal));
                }
            }
        }
        for (VARIANT& v : children)
            VariantClear(&v);
        return result;
    }

private:
    // The object attributes, asked once: through the object's service provider as IAccessible2
    // asks, else straight from the object.
    const std::u16string& Attributes() {
        if (attributes_)
            return *attributes_;
        attributes_.emplace();
        if (child_ != CHILDID_SELF)
            return *attributes_;
        ComRef<IAccessible2> ia2;
        ComRef<IServiceProvider> services;
        if (SUCCEEDED(object_->QueryInterface(kIidServiceProvider, services.Out())) && services)
            services->QueryService(kIidAccessible, kIidAccessible2, ia2.Out());
        if (!ia2)
            object_->QueryInterface(kIidAccessible2, ia2.Out());
        BSTR text = nullptr;
        if (ia2 && SUCCEEDED(ia2->get_attributes(&text)))
            *attributes_ = TakeBstr(text);
        else
            SysFreeString(text);
        return *attributes_;
    }

    ComRef<IAccessible> object_;
    LONG child_;
    std::optional<std::u16string> attributes_;
};

constexpr int kControlTypeProperty = 30003;  // UIA_ControlTypePropertyId
constexpr int kAutomationIdProperty = 30011; // UIA_AutomationIdPropertyId
constexpr int kClassNameProperty = 30012;    // UIA_ClassNamePropertyId
constexpr int kValueProperty = 30045;        // UIA_ValueValuePropertyId
constexpr int kLegacyRoleProperty = 30095;   // UIA_LegacyIAccessibleRolePropertyId
constexpr long kEditControl = 50004;         // UIA_EditControlTypeId
constexpr long kTabControl = 50018;          // UIA_TabControlTypeId: the tab strip
constexpr long kDocumentControl = 50030;     // UIA_DocumentControlTypeId

class UiaNode final : public AccessibleNode {
public:
    UiaNode(ComRef<IUIAutomationTreeWalker> walker, ComRef<IUIAutomationElement> element)
        : walker_(std::move(walker)), element_(std::move(element)) {}

    int Role() override {
        // The roles the capture looks at by their control types; others as the element's
        // MSAA role, where it tells one.
        VARIANT type = Property(kControlTypeProperty);
        const long controlType = type.vt == VT_I4 ? type.lVal : 0;
        VariantClear(&type);
        if (controlType == kEditControl)
            return kRoleText;
        if (controlType == kDocumentControl)
            return kRoleDocument;
        if (controlType == kTabControl)
            return kRolePageTabList;
        VARIANT role = Property(kLegacyRoleProperty);
        const int result = role.vt == VT_I4 ? static_cast<int>(role.lVal) : 0;
        VariantClear(&role);
        return result;
    }
    std::u16string Value() override { return Text(kValueProperty); }
    std::u16string ClassName() override { return Text(kClassNameProperty); }
    std::u16string Id() override { return Text(kAutomationIdProperty); }

    std::vector<std::unique_ptr<AccessibleNode>> Children() override {
        std::vector<std::unique_ptr<AccessibleNode>> result;
        ComRef<IUIAutomationElement> child;
        if (FAILED(
                walker_->GetFirstChildElement(element_.get(), reinterpret_cast<IUIAutomationElement**>(child.Out()))))
            return result;
        while (child && static_cast<long>(result.size()) < kMaxChildren) {
            ComRef<IUIAutomationElement> next;
            if (FAILED(
                    walker_->GetNextSiblingElement(child.get(), reinterpret_cast<IUIAutomationElement**>(next.Out()))))
                next = ComRef<IUIAutomationElement>();
            result.push_back(std::make_unique<UiaNode>(walker_, std::move(child)));
            child = std::move(next);
        }
        return result;
    }

private:
    VARIANT Property(int id) {
        VARIANT value;
        VariantInit(&value);
        if (FAILED(element_->GetCurrentPropertyValue(id, &value)))
            VariantInit(&value);
        return value;
    }
    std::u16string Text(int id) {
        VARIANT value = Property(id);
        std::u16string result;
        if (value.vt == VT_BSTR && value.bstrVal != nullptr)
            result.assign(reinterpret_cast<const char16_t*>(value.bstrVal), SysStringLen(value.bstrVal));
        VariantClear(&value);
        return result;
    }

    ComRef<IUIAutomationTreeWalker> walker_;
    ComRef<IUIAutomationElement> element_;
};

} // namespace

std::u16string Ia2Attribute(std::u16string_view attributes, std::u16string_view name) {
    std::u16string key;
    std::u16string value;
    bool inValue = false;
    for (std::size_t i = 0; i < attributes.size(); ++i) {
        char16_t c = attributes[i];
        if (c == u'\\' && i + 1 < attributes.size()) {
            (inValue ? value : key) += attributes[++i];
        } else if (!inValue && c == u':') {
            inValue = true;
        } else if (c == u';') {
            if (inValue && key == name)
                return value;
            key.clear();
            value.clear();
            inValue = false;
        } else {
            (inValue ? value : key) += c;
        }
    }
    return inValue && key == name ? value : std::u16string();
}

std::unique_ptr<AccessibleNode> Win32Accessibility::RootOf(WindowHandle window) {
    const Oleacc& oleacc = LoadOleacc();
    if (oleacc.fromWindow == nullptr || window == 0)
        return nullptr;
    ComRef<IAccessible> root;
    if (FAILED(oleacc.fromWindow(reinterpret_cast<HWND>(window), static_cast<DWORD>(OBJID_CLIENT), kIidAccessible,
                                 root.Out())) ||
        !root)
        return nullptr;
    return std::make_unique<MsaaNode>(std::move(root), CHILDID_SELF);
}

} // namespace tobrix::win32

namespace tobrix::win32 {

std::unique_ptr<AccessibleNode> UiaNodeOf(IUIAutomationTreeWalker* walker, IUIAutomationElement* element) {
    if (walker == nullptr || element == nullptr)
        return nullptr;
    walker->AddRef();
    element->AddRef();
    return std::make_unique<UiaNode>(ComRef<IUIAutomationTreeWalker>(walker), ComRef<IUIAutomationElement>(element));
}

std::unique_ptr<AccessibleNode> Win32UiAutomation::RootOf(WindowHandle window) {
    if (window == 0)
        return nullptr;
    ComRef<IUIAutomation> automation;
    ComRef<IUIAutomationTreeWalker> walker;
    ComRef<IUIAutomationElement> root;
    if (FAILED(
            CoCreateInstance(kClsidCuiAutomation, nullptr, CLSCTX_INPROC_SERVER, kIidUiAutomation, automation.Out())) ||
        !automation ||
        FAILED(automation->get_RawViewWalker(reinterpret_cast<IUIAutomationTreeWalker**>(walker.Out()))) || !walker ||
        FAILED(automation->ElementFromHandle(reinterpret_cast<HWND>(window),
                                             reinterpret_cast<IUIAutomationElement**>(root.Out()))) ||
        !root)
        return nullptr;
    return std::make_unique<UiaNode>(std::move(walker), std::move(root));
}

} // namespace tobrix::win32
