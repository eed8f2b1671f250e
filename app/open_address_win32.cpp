#include "app/open_address_win32.h"

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>

#include <utility>

namespace kavrel::app {

namespace {

// One COM interface pointer, released when the owner goes.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For functions that hand out a new reference.
    T** Out() {
        Reset();
        return &p_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    template <typename U>
    HRESULT As(ComPtr<U>& other) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(__uuidof(U), other.OutVoid());
    }

private:
    void Reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }
    T* p_ = nullptr;
};

// A VARIANT cleared when the owner goes.
class Variant {
public:
    Variant() { VariantInit(&v_); }
    explicit Variant(long number) : Variant() {
        v_.vt = VT_I4;
        v_.lVal = number;
    }
    explicit Variant(const std::wstring& text) : Variant() {
        v_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (v_.bstrVal) v_.vt = VT_BSTR;
    }
    ~Variant() { VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* Get() { return &v_; }
    VARIANT& operator*() { return v_; }
    bool Holds(VARTYPE type) const { return v_.vt == type; }

private:
    VARIANT v_;
};

// A BSTR freed when the owner goes.
class Bstr {
public:
    explicit Bstr(const std::wstring& text)
        : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return s_; }

private:
    BSTR s_;
};

// COM on this thread for one call: balanced when this call initialised it,
// left alone when the thread already runs in another apartment.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

// The desktop's shell, reached through its folder view: the shell windows
// list, the desktop's browser, its active view, the view's automation
// object and its Application.
HRESULT DesktopShellDispatch(ComPtr<IShellDispatch2>& shell) {
    ComPtr<IShellWindows> windows;
    HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                  windows.OutVoid());
    if (FAILED(hr)) return hr;
    Variant desktop(static_cast<long>(CSIDL_DESKTOP));
    Variant none;
    long hwnd = 0;
    ComPtr<IDispatch> found;
    hr = windows->FindWindowSW(desktop.Get(), none.Get(), SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, found.Out());
    if (hr != S_OK || !found) return FAILED(hr) ? hr : E_FAIL;  // S_FALSE: no desktop window
    ComPtr<IServiceProvider> services;
    if (FAILED(hr = found.As(services))) return hr;
    ComPtr<IShellBrowser> browser;
    hr = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.OutVoid());
    if (FAILED(hr) || !browser) return FAILED(hr) ? hr : E_FAIL;
    ComPtr<IShellView> view;
    hr = browser->QueryActiveShellView(view.Out());
    if (FAILED(hr) || !view) return FAILED(hr) ? hr : E_FAIL;
    ComPtr<IDispatch> background;
    hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.OutVoid());
    if (FAILED(hr) || !background) return FAILED(hr) ? hr : E_FAIL;
    ComPtr<IShellFolderViewDual> folderView;
    if (FAILED(hr = background.As(folderView))) return hr;
    ComPtr<IDispatch> application;
    hr = folderView->get_Application(application.Out());
    if (FAILED(hr) || !application) return FAILED(hr) ? hr : E_FAIL;
    return application.As(shell);
}

bool Widen(const std::string& text, std::wstring& wide) {
    if (text.empty()) {
        wide.clear();
        return true;
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) return false;
    wide.assign(static_cast<std::size_t>(length), L'\0');
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(), length) == length;
}

}  // namespace

AddressRoute OpenAddress(const std::string& address, const AddressOpeners& openers) noexcept {
    try {
        if (openers.desktopShell && openers.desktopShell(address)) return AddressRoute::DesktopShell;
    } catch (...) {
        // A route that throws has failed like one that answers false.
    }
    try {
        if (openers.ownShell) openers.ownShell(address);
    } catch (...) {
        // Failures of the web-site command are never shown.
    }
    return AddressRoute::OwnShell;
}

AddressOpeners SystemAddressOpeners() { return AddressOpeners{&DesktopShellOpen, &OwnShellOpen}; }

long DesktopShellExecuteStatus(const std::wstring& file, const std::wstring& parameters) noexcept {
    try {
        ComScope com;
        if (!com.Usable()) return CO_E_NOTINITIALIZED;
        ComPtr<IShellDispatch2> shell;
        HRESULT hr = DesktopShellDispatch(shell);
        if (FAILED(hr)) return hr;
        if (!shell) return E_NOINTERFACE;
        Bstr target(file);
        if (!target.Get()) return E_OUTOFMEMORY;
        Variant args(parameters), folder(std::wstring{}), verb(std::wstring(L"open"));
        Variant show(static_cast<long>(SW_SHOWNORMAL));
        if (!args.Holds(VT_BSTR) || !folder.Holds(VT_BSTR) || !verb.Holds(VT_BSTR)) return E_OUTOFMEMORY;
        hr = shell->ShellExecute(target.Get(), *args, *folder, *verb, *show);
        return FAILED(hr) ? hr : S_OK;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

bool DesktopShellExecute(const std::wstring& file, const std::wstring& parameters) noexcept {
    return DesktopShellExecuteStatus(file, parameters) == S_OK;
}

bool DesktopShellOpen(const std::string& address) noexcept {
    try {
        std::wstring wide;
        return Widen(address, wide) && DesktopShellExecute(wide, std::wstring());
    } catch (...) {
        return false;
    }
}

void OwnShellOpen(const std::string& address) noexcept {
    // Whatever the shell answers, nothing is shown: no browser, no message.
    ShellExecuteA(nullptr, "open", address.c_str(), "", "", SW_SHOWNORMAL);
}

}  // namespace kavrel::app
