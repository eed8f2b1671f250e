#include "win32/accessible.h"

#include <cwctype>
#include <new>

#include "win32/library.h"

namespace kavrel::win32 {

// ---- oleacc.dll, loaded late -------------------------------------------

namespace oleacc {
namespace {

using ResultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using ObjectFromWindowFn = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);

struct Library {
    ResultFromObjectFn resultFromObject = nullptr;
    ObjectFromWindowFn objectFromWindow = nullptr;
};

const Library& Loaded() {
    // Only from the system folder, so that no file beside the program can
    // stand in for it. Loaded once and kept for the process's life: objects
    // handed out stay valid as long as their clients hold them.
    static const Library library = [] {
        Library l;
        static const UniqueModule module = LoadSystemLibrary(L"oleacc.dll");
        l.resultFromObject = ProcAddress<ResultFromObjectFn>(module.get(), "LresultFromObject");
        l.objectFromWindow = ProcAddress<ObjectFromWindowFn>(module.get(), "AccessibleObjectFromWindow");
        return l;
    }();
    return library;
}

}  // namespace

bool Available() {
    const Library& l = Loaded();
    return l.resultFromObject && l.objectFromWindow;
}

LRESULT ResultFromObject(REFIID iid, WPARAM wp, IUnknown* object) {
    return Available() ? Loaded().resultFromObject(iid, wp, object) : 0;
}

HRESULT ObjectFromWindow(HWND hwnd, LONG objectId, REFIID iid, void** out) {
    if (out) *out = nullptr;
    if (!Available()) return E_NOTIMPL;
    if (!ComOnThisThread()) return CO_E_NOTINITIALIZED;
    return Loaded().objectFromWindow(hwnd, static_cast<DWORD>(objectId), iid, out);
}

}  // namespace oleacc

// ---- Small helpers ------------------------------------------------------

namespace {

HRESULT ToBstr(const std::wstring& text, BSTR* out) {
    if (text.empty()) return S_FALSE;  // *out stays null: the property is not there
    *out = ole::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

bool ChildId(const VARIANT& v, LONG& id) {
    if (v.vt == VT_I4) {
        id = v.lVal;
        return true;
    }
    if (v.vt == VT_EMPTY) {  // some clients leave "self" empty
        id = CHILDID_SELF;
        return true;
    }
    return false;
}

VARIANT SelfId() {
    VARIANT v;
    ole::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

}  // namespace

std::wstring WithoutAccessMarker(const std::wstring& caption) {
    std::wstring out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}

std::wstring AccessKeyShortcut(const std::wstring& caption) {
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != L'&') continue;
        if (caption[i + 1] == L'&') {
            ++i;
            continue;
        }
        return std::wstring(L"Alt+") + static_cast<wchar_t>(std::towupper(caption[i + 1]));
    }
    return {};
}

std::wstring Trimmed(const std::wstring& text, bool trailingDots) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && std::iswspace(text[begin])) ++begin;
    while (end > begin && (std::iswspace(text[end - 1]) || (trailingDots && text[end - 1] == L'.'))) --end;
    return text.substr(begin, end - begin);
}

// ---- The object ---------------------------------------------------------

template <typename F>
HRESULT AccessibleObject::Call(F&& f) noexcept {
    if (!connected_) return CO_E_OBJNOTCONNECTED;
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

LRESULT AccessibleObject::Answer(WPARAM wp) {
    return oleacc::ResultFromObject(kIID_IAccessible, wp, static_cast<IAccessible*>(this));
}

HRESULT AccessibleObject::Element(const VARIANT& child, AccessibleElement& out, LONG* index) const {
    LONG id = 0;
    if (!ChildId(child, id)) return E_INVALIDARG;
    if (index) *index = id;
    if (id == CHILDID_SELF) {
        out = Self();
        return S_OK;
    }
    const auto children = Children();
    if (id < 1 || static_cast<std::size_t>(id) > children.size()) return E_INVALIDARG;
    out = children[static_cast<std::size_t>(id) - 1];
    return S_OK;
}

IAccessible* AccessibleObject::ObjectOf(HWND window) {
    void* object = nullptr;
    if (FAILED(oleacc::ObjectFromWindow(window, OBJID_CLIENT, kIID_IAccessible, &object))) return nullptr;
    return static_cast<IAccessible*>(object);
}

HRESULT AccessibleObject::ChildVariant(const std::vector<AccessibleElement>& children, LONG index, VARIANT* out) {
    ole::VariantInit(out);
    const AccessibleElement& e = children[static_cast<std::size_t>(index) - 1];
    if (e.window) {
        IAccessible* object = ObjectOf(e.window);
        if (!object) return E_FAIL;
        out->vt = VT_DISPATCH;
        out->pdispVal = object;
        return S_OK;
    }
    out->vt = VT_I4;
    out->lVal = index;
    return S_OK;
}

template <typename Ask, typename Own>
HRESULT AccessibleObject::ForElement(const VARIANT& child, Ask&& ask, Own&& own) {
    return Call([&] {
        AccessibleElement e;
        LONG id = 0;
        const HRESULT hr = Element(child, e, &id);
        if (FAILED(hr)) return hr;
        if (e.window) {
            IAccessible* object = ObjectOf(e.window);
            if (!object) return E_FAIL;
            const HRESULT answer = ask(object);
            object->Release();
            return answer;
        }
        return own(e, id);
    });
}

HRESULT AccessibleObject::Text(const VARIANT& child, BSTR* out, std::wstring AccessibleElement::*field,
                               HRESULT (STDMETHODCALLTYPE IAccessible::*forward)(VARIANT, BSTR*)) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return ForElement(
        child, [&](IAccessible* object) { return (object->*forward)(SelfId(), out); },
        [&](const AccessibleElement& e, LONG) { return ToBstr(e.*field, out); });
}

HRESULT AccessibleObject::Number(const VARIANT& child, VARIANT* out, LONG AccessibleElement::*field,
                                 HRESULT (STDMETHODCALLTYPE IAccessible::*forward)(VARIANT, VARIANT*)) {
    if (!out) return E_POINTER;
    ole::VariantInit(out);
    return ForElement(
        child, [&](IAccessible* object) { return (object->*forward)(SelfId(), out); },
        [&](const AccessibleElement& e, LONG) {
            out->vt = VT_I4;
            out->lVal = e.*field;
            return S_OK;
        });
}

// IUnknown

HRESULT AccessibleObject::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIID_IAccessible)) {
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG AccessibleObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG AccessibleObject::Release() {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

// IDispatch

HRESULT AccessibleObject::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT AccessibleObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT AccessibleObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT AccessibleObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// IAccessible

HRESULT AccessibleObject::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    return Call([&] {
        // A child window's client is the child of its parent's client; the
        // top window's client is the child of the window itself.
        const HWND up = GetAncestor(hwnd_, GA_PARENT);
        if (up && up != GetDesktopWindow()) {
            return oleacc::ObjectFromWindow(up, OBJID_CLIENT, IID_IDispatch, reinterpret_cast<void**>(parent));
        }
        return oleacc::ObjectFromWindow(hwnd_, OBJID_WINDOW, IID_IDispatch, reinterpret_cast<void**>(parent));
    });
}

HRESULT AccessibleObject::get_accChildCount(LONG* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return Call([&] {
        *count = static_cast<LONG>(Children().size());
        return S_OK;
    });
}

HRESULT AccessibleObject::get_accChild(VARIANT child, IDispatch** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    return Call([&] {
        AccessibleElement e;
        LONG id = 0;
        const HRESULT hr = Element(child, e, &id);
        if (FAILED(hr)) return hr;
        if (id == CHILDID_SELF) {
            AddRef();
            *object = static_cast<IAccessible*>(this);
            return S_OK;
        }
        if (!e.window) return S_FALSE;  // drawn: answered here by its id
        IAccessible* own = ObjectOf(e.window);
        if (!own) return E_FAIL;
        *object = own;
        return S_OK;
    });
}

HRESULT AccessibleObject::get_accName(VARIANT child, BSTR* name) {
    return Text(child, name, &AccessibleElement::name, &IAccessible::get_accName);
}

HRESULT AccessibleObject::get_accValue(VARIANT child, BSTR* value) {
    return Text(child, value, &AccessibleElement::value, &IAccessible::get_accValue);
}

HRESULT AccessibleObject::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    return Text(child, shortcut, &AccessibleElement::shortcut, &IAccessible::get_accKeyboardShortcut);
}

HRESULT AccessibleObject::get_accDefaultAction(VARIANT child, BSTR* action) {
    return Text(child, action, &AccessibleElement::defaultAction, &IAccessible::get_accDefaultAction);
}

HRESULT AccessibleObject::get_accDescription(VARIANT child, BSTR* description) {
    if (!description) return E_POINTER;
    *description = nullptr;
    return Call([&] {
        AccessibleElement e;
        const HRESULT hr = Element(child, e);
        return FAILED(hr) ? hr : S_FALSE;
    });
}

// No element has help text either: the same answer as for a description
// (S_FALSE with no text for a valid child, the child's error otherwise).
HRESULT AccessibleObject::get_accHelp(VARIANT child, BSTR* help) { return get_accDescription(child, help); }

HRESULT AccessibleObject::get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return Call([] { return DISP_E_MEMBERNOTFOUND; });
}

HRESULT AccessibleObject::get_accRole(VARIANT child, VARIANT* role) {
    return Number(child, role, &AccessibleElement::role, &IAccessible::get_accRole);
}

HRESULT AccessibleObject::get_accState(VARIANT child, VARIANT* state) {
    return Number(child, state, &AccessibleElement::state, &IAccessible::get_accState);
}

HRESULT AccessibleObject::get_accFocus(VARIANT* focus) {
    if (!focus) return E_POINTER;
    ole::VariantInit(focus);
    return Call([&] {
        const HWND has = GetFocus();
        if (!has) return S_FALSE;
        const auto children = Children();
        if (has == hwnd_) {
            // A drawn child may hold the window's keyboard focus.
            focus->vt = VT_I4;
            focus->lVal = CHILDID_SELF;
            for (std::size_t i = 0; i < children.size(); ++i) {
                if (!children[i].window && (children[i].state & STATE_SYSTEM_FOCUSED)) {
                    focus->lVal = static_cast<LONG>(i + 1);
                }
            }
            return S_OK;
        }
        for (std::size_t i = 0; i < children.size(); ++i) {
            const HWND w = children[i].window;
            if (w && (w == has || IsChild(w, has))) return ChildVariant(children, static_cast<LONG>(i + 1), focus);
        }
        return S_FALSE;
    });
}

HRESULT AccessibleObject::get_accSelection(VARIANT* selection) {
    if (!selection) return E_POINTER;
    ole::VariantInit(selection);
    return Call([] { return S_FALSE; });  // nothing here is selected
}

HRESULT AccessibleObject::accSelect(LONG flags, VARIANT child) {
    return ForElement(
        child, [&](IAccessible* object) { return object->accSelect(flags, SelfId()); },
        [&](const AccessibleElement& e, LONG id) {
            // Only the object itself can take the keyboard, and only when it
            // says it can.
            if (id != CHILDID_SELF || flags != SELFLAG_TAKEFOCUS || !(e.state & STATE_SYSTEM_FOCUSABLE) ||
                (e.state & STATE_SYSTEM_UNAVAILABLE)) {
                return S_FALSE;
            }
            SetFocus(hwnd_);
            return S_OK;
        });
}

HRESULT AccessibleObject::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    return Call([&] {
        AccessibleElement e;
        const HRESULT hr = Element(child, e);
        if (FAILED(hr)) return hr;
        *left = e.bounds.left;
        *top = e.bounds.top;
        *width = e.bounds.right - e.bounds.left;
        *height = e.bounds.bottom - e.bounds.top;
        return S_OK;
    });
}

HRESULT AccessibleObject::accNavigate(LONG direction, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    ole::VariantInit(end);
    return Call([&] {
        LONG from = 0;
        if (!ChildId(start, from)) return E_INVALIDARG;
        const auto children = Children();
        const LONG n = static_cast<LONG>(children.size());
        if (from < 0 || from > n) return E_INVALIDARG;
        LONG to = 0;
        if (from == CHILDID_SELF) {
            if (direction == NAVDIR_FIRSTCHILD) to = 1;
            if (direction == NAVDIR_LASTCHILD) to = n;
        } else if (direction == NAVDIR_NEXT) {
            to = from + 1;
        } else if (direction == NAVDIR_PREVIOUS) {
            to = from - 1;
        }
        if (to < 1 || to > n) return S_FALSE;  // nothing that way
        return ChildVariant(children, to, end);
    });
}

HRESULT AccessibleObject::accHitTest(LONG x, LONG y, VARIANT* child) {
    if (!child) return E_POINTER;
    ole::VariantInit(child);
    return Call([&] {
        const POINT at{x, y};
        const RECT whole = Self().bounds;
        if (!PtInRect(&whole, at)) return S_FALSE;
        const auto children = Children();
        for (std::size_t i = 0; i < children.size(); ++i) {
            const AccessibleElement& e = children[i];
            if (!(e.state & STATE_SYSTEM_INVISIBLE) && PtInRect(&e.bounds, at)) {
                return ChildVariant(children, static_cast<LONG>(i + 1), child);
            }
        }
        child->vt = VT_I4;
        child->lVal = CHILDID_SELF;
        return S_OK;
    });
}

HRESULT AccessibleObject::accDoDefaultAction(VARIANT child) {
    return ForElement(
        child, [](IAccessible* object) { return object->accDoDefaultAction(SelfId()); },
        [&](const AccessibleElement&, LONG id) { return DoDefaultAction(id); });
}

HRESULT AccessibleObject::put_accName(VARIANT, BSTR) {
    return Call([] { return E_NOTIMPL; });
}

HRESULT AccessibleObject::put_accValue(VARIANT, BSTR) {
    return Call([] { return E_NOTIMPL; });
}

}  // namespace kavrel::win32
