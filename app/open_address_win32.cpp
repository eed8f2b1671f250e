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

#include "win32/com.h"
#include "win32/library.h"

namespace kavrel::app {

namespace {

using win32::Bstr;
using win32::ComPtr;
using win32::ComScope;
using win32::Variant;

// The desktop's shell, reached through its folder view: the shell windows
// list, the desktop's browser, its active view, the view's automation
// object and its Application.
HRESULT DesktopShellDispatch(ComPtr<IShellDispatch2>& shell) {
    ComPtr<IShellWindows> windows;
    HRESULT hr = win32::ole::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
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
        ComScope com(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
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
    using ShellExecuteFn = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
    const auto shellExecute = win32::SystemFunction<ShellExecuteFn>(L"shell32.dll", "ShellExecuteA");
    if (shellExecute) shellExecute(nullptr, "open", address.c_str(), "", "", SW_SHOWNORMAL);
}

}  // namespace kavrel::app
