// What assistive technology sees of a self-drawn window: the common base of
// our IAccessible objects (Microsoft Active Accessibility), answered on
// WM_GETOBJECT, and oleacc.dll loaded from the system folder the first time
// an object is asked for (never a static import: start-up pays nothing).
// Used by the bar's surface and by the window host alike.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "win32/com.h"

namespace kavrel::win32 {

// IAccessible's interface identifier. MinGW's oleacc import library exports
// IID_IAccessible as code, not data, so the program carries its own.
inline constexpr IID kIID_IAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

namespace oleacc {
// True once oleacc.dll is loaded from the system folder; loads it on the
// first call. False when it is not there.
bool Available();
// LresultFromObject: the reference WM_GETOBJECT returns; 0 without oleacc.
LRESULT ResultFromObject(REFIID iid, WPARAM wp, IUnknown* object);
// AccessibleObjectFromWindow; E_NOTIMPL without oleacc.
HRESULT ObjectFromWindow(HWND hwnd, LONG objectId, REFIID iid, void** out);
}  // namespace oleacc

// What one element says of itself: the object, or one of its children.
struct AccessibleElement {
    LONG role = ROLE_SYSTEM_CLIENT;
    std::wstring name;
    std::wstring value;
    std::wstring shortcut;       // "Alt+O"
    std::wstring defaultAction;  // "Appuyer"
    LONG state = 0;
    RECT bounds{};               // screen coordinates
    // A child that is a window of its own: its own object answers for it
    // (reached through its window); nullptr for a child drawn by its
    // container, which this object answers for by child id.
    HWND window = nullptr;
};

// An IAccessible for the client area of one window and the children drawn
// in it. Child ids 1..n are the children in the order Children() gives.
// Reference counted; the owner keeps one reference in an AccessibleHold and
// cuts the object off when its window goes: every call then answers
// CO_E_OBJNOTCONNECTED, whoever still holds the object. No exception leaves
// a method.
class AccessibleObject : public IAccessible {
public:
    AccessibleObject(const AccessibleObject&) = delete;
    AccessibleObject& operator=(const AccessibleObject&) = delete;

    // The answer to WM_GETOBJECT for OBJID_CLIENT.
    LRESULT Answer(WPARAM wp);
    void Disconnect() { connected_ = false; }
    bool Connected() const { return connected_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: no type information; clients call IAccessible directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

protected:
    explicit AccessibleObject(HWND hwnd) : hwnd_(hwnd) {}
    virtual ~AccessibleObject() = default;

    // Asked only while connected.
    virtual AccessibleElement Self() const = 0;
    virtual std::vector<AccessibleElement> Children() const { return {}; }
    // Does the default action of the object (child 0) or of a drawn child;
    // DISP_E_MEMBERNOTFOUND when there is none.
    virtual HRESULT DoDefaultAction(LONG /*child*/) { return DISP_E_MEMBERNOTFOUND; }

    HWND Window() const { return hwnd_; }

private:
    // Runs one method: CO_E_OBJNOTCONNECTED once cut off, and whatever is
    // thrown becomes an error code.
    template <typename F>
    HRESULT Call(F&& f) noexcept;
    // The element a VARIANT child id names: 0 the object, 1..n a child.
    HRESULT Element(const VARIANT& child, AccessibleElement& out, LONG* index = nullptr) const;
    // Answers for the element a child id names: a windowed child's own
    // object answers for itself (ask(object)), a drawn child or the object
    // itself is answered here (own(element, id)).
    template <typename Ask, typename Own>
    HRESULT ForElement(const VARIANT& child, Ask&& ask, Own&& own);
    // A string property: the child's own object answers for a windowed child.
    HRESULT Text(const VARIANT& child, BSTR* out, std::wstring AccessibleElement::*field,
                 HRESULT (STDMETHODCALLTYPE IAccessible::*forward)(VARIANT, BSTR*));
    // A number property (role, state), answered the same way.
    HRESULT Number(const VARIANT& child, VARIANT* out, LONG AccessibleElement::*field,
                   HRESULT (STDMETHODCALLTYPE IAccessible::*forward)(VARIANT, VARIANT*));
    // The child object of a windowed child, or nullptr.
    static IAccessible* ObjectOf(HWND window);
    // A VARIANT naming child `index` (1..n) of `children`: its object for a
    // windowed child, else its id.
    static HRESULT ChildVariant(const std::vector<AccessibleElement>& children, LONG index, VARIANT* out);

    HWND hwnd_;
    bool connected_ = true;
    LONG refs_ = 1;
};

// The owner's reference to its accessible object, made on the first
// WM_GETOBJECT. Letting go of it (reset, or the owner's end) cuts the object
// off before the reference is released, so that clients still holding it
// never reach the owner's freed memory.
class AccessibleHold {
public:
    AccessibleHold() = default;
    ~AccessibleHold() { reset(); }
    AccessibleHold(const AccessibleHold&) = delete;
    AccessibleHold& operator=(const AccessibleHold&) = delete;

    AccessibleObject* get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Takes over the one reference a new object is made with.
    void reset(AccessibleObject* object = nullptr) {
        if (object_) {
            object_->Disconnect();
            object_->Release();
        }
        object_ = object;
    }

private:
    AccessibleObject* object_ = nullptr;
};

// The answer to WM_GETOBJECT: the held object for OBJID_CLIENT, made by
// `make` the first time (which returns a new object with one reference);
// 0 for every other object id, or when oleacc is not there, so that the
// caller passes the message on.
template <typename Make>
LRESULT AnswerGetObject(AccessibleHold& hold, WPARAM wp, LPARAM lp, Make&& make) {
    if (static_cast<LONG>(static_cast<DWORD>(lp)) != OBJID_CLIENT || !oleacc::Available()) return 0;
    // The reference handed to the client is marshalled by COM, which the
    // window's thread starts only now that a client asks.
    if (!ComOnThisThread()) return 0;
    if (!hold) hold.reset(make());
    return hold.get()->Answer(wp);
}

// The text of a caption as it is read: without the "&" that marks the
// access letter ("&&" stands for one "&").
std::wstring WithoutAccessMarker(const std::wstring& caption);
// "Alt+O" for a caption with "&O", or empty.
std::wstring AccessKeyShortcut(const std::wstring& caption);
// Text without the spaces (and, when asked, dots) at either end.
std::wstring Trimmed(const std::wstring& text, bool trailingDots = false);

}  // namespace kavrel::win32
