// How today's browsers show their address bar to other programs, and what is read here.
//
// Chromium and the browsers built on it (Chrome, Edge, Brave, Vivaldi, Opera) draw their own
// frame with the "views" toolkit; every view gives its accessible object the name of its C++
// class, never translated. The address bar is the view class OmniboxViewViews, an editable
// text (ROLE_SYSTEM_TEXT) whose value is the address without "https://". Chromium's Windows
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
// oleacc alone, and works under Wine, so it is read here. Its weak point is that IAccessible2
// is a custom COM interface: a call from another process needs its proxy registered on the
// machine (screen readers and Firefox register one; a machine with none of them may refuse
// it). Roles, values and children come through plain IAccessible, whose proxy is part of
// Windows. UI Automation marshals its own properties and needs no such proxy, but Chromium
// served it natively only behind a switch for years and Firefox only from 2025; Windows
// otherwise builds it from the same MSAA objects. Where IAccessible2 cannot be had, the
// node tells no class and no id, and the caller passes the window over.

#include "win32/Win32Accessibility.h"

#include "win32/SystemLibrary.h"

#include <servprov.h>

#include <optional>
#include <utility>
#include <vector>

namespace tobrix::win32 {

namespace {

// oleacc is no known DLL: from the system folder, on first use, and kept.
struct Oleacc {
    using FromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    using Children = HRESULT(WINAPI*)(IAccessible*, LONG, LONG, VARIANT*, LONG*);
    FromWindow fromWindow = nullptr;
    Children children = nullptr;
};

template <class Function>
Function Find(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

const Oleacc& LoadOleacc() {
    static const Oleacc oleacc = [] {
        Oleacc found;
        if (HMODULE module = LoadSystemLibrary(L"oleacc.dll")) {
            found.fromWindow = Find<Oleacc::FromWindow>(module, "AccessibleObjectFromWindow");
            found.children = Find<Oleacc::Children>(module, "AccessibleChildren");
        }
        return found;
    }();
    return oleacc;
}

// Holds one reference to a COM object.
template <class T>
class ComRef {
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
