// A link label's accessible object: the system's standard object of its window does the work
// (place, parent, navigation, hit testing); only what makes it a link is answered here. Oleacc is
// loaded from the system folder when a tool first asks, so a program nobody reads aloud never
// loads it.
#include "toolkit/link_accessibility_win32.h"

#include "base/unique_handle_win32.h"
#include "toolkit/component.h"

#include <oleacc.h>

#include <string>

namespace zentrim::toolkit::win32 {

namespace {

using CreateStdAccessibleObjectFunction = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

struct Oleacc {
    UniqueModule module;
    CreateStdAccessibleObjectFunction createStandard = nullptr;
    LresultFromObjectFunction lresultFromObject = nullptr;
};

// Loaded once for the process, by its full path in the system folder.
const Oleacc* LoadOleacc() {
    static const Oleacc oleacc = [] {
        Oleacc loaded;
        wchar_t folder[MAX_PATH] = {};
        const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
        if (length == 0 || length >= MAX_PATH) {
            return loaded;
        }
        const std::wstring path = std::wstring(folder, length) + L"\\oleacc.dll";
        loaded.module.reset(LoadLibraryW(path.c_str()));
        if (loaded.module) {
            loaded.createStandard = reinterpret_cast<CreateStdAccessibleObjectFunction>(
                reinterpret_cast<void*>(GetProcAddress(loaded.module.get(), "CreateStdAccessibleObject")));
            loaded.lresultFromObject = reinterpret_cast<LresultFromObjectFunction>(
                reinterpret_cast<void*>(GetProcAddress(loaded.module.get(), "LresultFromObject")));
        }
        return loaded;
    }();
    return oleacc.createStandard != nullptr && oleacc.lresultFromObject != nullptr ? &oleacc : nullptr;
}

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT ToBstr(const std::wstring& text, BSTR* out) {
    if (text.empty()) {
        *out = nullptr;
        return S_FALSE; // no such text
    }
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

// The standard object of the window, answering as a link for the window itself. It holds the
// window's handle only, so it stays safe to call after the window is gone (it then says so).
class LinkAccessible final : public IAccessible, public IOleWindow {
public:
    // Ownership of the new object goes to `out`.
    static void Create(HWND window, IAccessible* standard, ComPtr<IAccessible>& out) {
        *out.put() = new LinkAccessible(window, standard);
    }

    LinkAccessible(const LinkAccessible&) = delete;
    LinkAccessible& operator=(const LinkAccessible&) = delete;

    // IUnknown.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, __uuidof(IUnknown)) || IsEqualIID(iid, __uuidof(IDispatch)) ||
            IsEqualIID(iid, __uuidof(IAccessible))) {
            *out = static_cast<IAccessible*>(this);
        } else if (IsEqualIID(iid, __uuidof(IOleWindow))) {
            *out = static_cast<IOleWindow*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete this; // the last reference: a COM object ends itself
        }
        return static_cast<ULONG>(left);
    }

    // IOleWindow: the window the object stands for (WindowFromAccessibleObject asks it).
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        if (window == nullptr) {
            return E_POINTER;
        }
        *window = window_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IDispatch: no type information; tools call IAccessible directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count == nullptr) {
            return E_POINTER;
        }
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }

    // What makes the window a link.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (!IsSelf(child)) {
            return standard_->get_accName(child, name);
        }
        if (name == nullptr) {
            return E_POINTER;
        }
        if (!IsWindow(window_)) {
            return CO_E_OBJNOTCONNECTED;
        }
        return ToBstr(ShownText(), name);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        if (!IsSelf(child)) {
            return standard_->get_accRole(child, role);
        }
        if (role == nullptr) {
            return E_POINTER;
        }
        VariantInit(role);
        role->vt = VT_I4;
        role->lVal = ROLE_SYSTEM_LINK;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        if (!IsSelf(child)) {
            return standard_->get_accState(child, state);
        }
        if (state == nullptr) {
            return E_POINTER;
        }
        if (!IsWindow(window_)) {
            return CO_E_OBJNOTCONNECTED;
        }
        LONG bits = STATE_SYSTEM_LINKED;
        // Whether it lies off the screen the standard object knows.
        VARIANT standardState;
        VariantInit(&standardState);
        if (SUCCEEDED(standard_->get_accState(child, &standardState)) && standardState.vt == VT_I4) {
            bits |= standardState.lVal & STATE_SYSTEM_OFFSCREEN;
        }
        if (!IsWindowVisible(window_)) {
            bits |= STATE_SYSTEM_INVISIBLE;
        }
        if (!IsWindowEnabled(window_)) {
            bits |= STATE_SYSTEM_UNAVAILABLE;
        } else {
            bits |= STATE_SYSTEM_FOCUSABLE;
        }
        if (GetFocus() == window_) {
            bits |= STATE_SYSTEM_FOCUSED;
        }
        VariantInit(state);
        state->vt = VT_I4;
        state->lVal = bits;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (!IsSelf(child)) {
            return standard_->get_accDefaultAction(child, action);
        }
        if (action == nullptr) {
            return E_POINTER;
        }
        return ToBstr(L"Jump", action); // the name Windows gives a link's action
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!IsSelf(child)) {
            return standard_->accDoDefaultAction(child);
        }
        if (!IsWindow(window_)) {
            return CO_E_OBJNOTCONNECTED;
        }
        if (!IsWindowVisible(window_) || !IsWindowEnabled(window_)) {
            return E_FAIL; // a link nobody could click does nothing
        }
        return PostMessageW(window_, LinkActivateMessage(), 0, 0) ? S_OK : E_FAIL;
    }

    // Everything else as the standard object says.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        return standard_->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        return standard_->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
        return standard_->get_accChild(child, object);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
        return standard_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
        return standard_->get_accDescription(child, description);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
        return standard_->get_accHelp(child, help);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
        return standard_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return standard_->get_accKeyboardShortcut(child, shortcut);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return standard_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override {
        return standard_->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        return standard_->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override {
        return standard_->accLocation(left, top, width, height, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override {
        return standard_->accNavigate(direction, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override {
        return standard_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    LinkAccessible(HWND window, IAccessible* standard) : window_(window) {
        standard->AddRef();
        *standard_.put() = standard;
    }
    ~LinkAccessible() = default;

    // The label's text as it shows it: the window text, "&" marks taken out unless SS_NOPREFIX
    // shows them as they are.
    std::wstring ShownText() const {
        const int length = GetWindowTextLengthW(window_);
        std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        text.resize(
            static_cast<std::size_t>(GetWindowTextW(window_, text.data(), static_cast<int>(text.size()))));
        if ((GetWindowLongW(window_, GWL_STYLE) & SS_NOPREFIX) != 0) {
            return text;
        }
        return ToWide(StripAccelerators(FromWide(text)));
    }

    LONG references_ = 1;
    HWND window_;
    ComPtr<IAccessible> standard_;
};

} // namespace

UINT LinkActivateMessage() {
    static const UINT message = RegisterWindowMessageW(L"ToolkitLinkActivate");
    return message;
}

LRESULT AnswerLinkGetObject(HWND window, WPARAM wParam, LPARAM lParam) {
    if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) {
        return 0;
    }
    const Oleacc* oleacc = LoadOleacc();
    if (oleacc == nullptr) {
        return 0;
    }
    ComPtr<IAccessible> standard;
    if (FAILED(oleacc->createStandard(window, OBJID_CLIENT, __uuidof(IAccessible), standard.putVoid())) ||
        standard.get() == nullptr) {
        return 0;
    }
    ComPtr<IAccessible> link;
    LinkAccessible::Create(window, standard.get(), link);
    // The result holds a reference of its own; ours goes at the end of the scope.
    const LRESULT result = oleacc->lresultFromObject(__uuidof(IAccessible), wParam, link.get());
    return result > 0 ? result : 0;
}

} // namespace zentrim::toolkit::win32
