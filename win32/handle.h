// The one owner of every Win32 handle the product makes: move-only, and the
// handle is released when its owner goes. What differs between kinds (what
// "no handle" looks like, how it is released, what the release needs) lives
// in a small traits type, so that every room shares one set of rules: a
// handle the creating call reports as failed is never kept, and an owner
// moved from holds nothing.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

#include "win32/ole.h"

namespace kavrel::win32 {

template <typename Traits>
class Unique {
public:
    using Handle = typename Traits::Handle;

    Unique() = default;
    explicit Unique(Handle h, Traits traits = {}) : traits_(traits), h_(Traits::IsValid(h) ? h : Handle{}) {}
    ~Unique() { reset(); }
    Unique(Unique&& o) noexcept : traits_(o.traits_), h_(std::exchange(o.h_, Handle{})) {}
    Unique& operator=(Unique&& o) noexcept {
        if (this != &o) {
            reset();
            traits_ = o.traits_;
            h_ = std::exchange(o.h_, Handle{});
        }
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Handle{}; }
    // Hands the handle over to the caller, who releases it.
    Handle release() { return std::exchange(h_, Handle{}); }
    void reset(Handle h = Handle{}) {
        if (h_ != Handle{}) traits_.Close(h_);
        h_ = Traits::IsValid(h) ? h : Handle{};
    }

private:
    [[no_unique_address]] Traits traits_{};
    Handle h_{};
};

// Most creating calls report failure with a null handle.
template <typename H>
struct NullIsInvalid {
    using Handle = H;
    static bool IsValid(H h) { return h != H{}; }
};

// Pens, brushes, bitmaps, fonts, regions: DeleteObject.
template <typename H>
struct GdiObjectTraits : NullIsInvalid<H> {
    static void Close(H h) { DeleteObject(h); }
};
// A DC made with CreateDC or CreateCompatibleDC: DeleteDC.
struct CreatedDcTraits : NullIsInvalid<HDC> {
    static void Close(HDC h) { DeleteDC(h); }
};
// A window's DC from GetDC: ReleaseDC, which needs the window.
struct WindowDcTraits : NullIsInvalid<HDC> {
    HWND window = nullptr;
    void Close(HDC h) const { ReleaseDC(window, h); }
};
struct IconTraits : NullIsInvalid<HICON> {
    static void Close(HICON h) { DestroyIcon(h); }
};
struct MenuTraits : NullIsInvalid<HMENU> {
    static void Close(HMENU h) { DestroyMenu(h); }
};
// Some creating calls report failure with INVALID_HANDLE_VALUE instead
// (and null is no handle either).
struct InvalidValueIsInvalid {
    using Handle = HANDLE;
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
};

// Files and folders (CreateFileW) and tool-help snapshots
// (CreateToolhelp32Snapshot): CloseHandle.
struct FileTraits : InvalidValueIsInvalid {
    static void Close(HANDLE h) { CloseHandle(h); }
};
// Tokens, processes and other kernel objects that fail with null.
struct KernelTraits : NullIsInvalid<HANDLE> {
    static void Close(HANDLE h) { CloseHandle(h); }
};
// FindFirstFileW: FindClose.
struct FindTraits : InvalidValueIsInvalid {
    static void Close(HANDLE h) { FindClose(h); }
};
struct KeyTraits : NullIsInvalid<HKEY> {
    static void Close(HKEY h) { RegCloseKey(h); }
};
struct ModuleTraits : NullIsInvalid<HMODULE> {
    static void Close(HMODULE h) { FreeLibrary(h); }
};
struct GlobalTraits : NullIsInvalid<HGLOBAL> {
    static void Close(HGLOBAL h) { GlobalFree(h); }
};
// What the security functions allocate with LocalAlloc.
struct LocalTraits : NullIsInvalid<void*> {
    static void Close(void* p) { LocalFree(p); }
};
// What the shell allocates with CoTaskMemAlloc.
struct TaskMemTraits : NullIsInvalid<wchar_t*> {
    static void Close(wchar_t* p) { ole::CoTaskMemFree(p); }
};

template <typename H>
using UniqueGdiObject = Unique<GdiObjectTraits<H>>;
using UniqueFont = UniqueGdiObject<HFONT>;
using UniqueBitmap = UniqueGdiObject<HBITMAP>;
using UniqueBrush = UniqueGdiObject<HBRUSH>;
using UniquePen = UniqueGdiObject<HPEN>;
using UniqueDc = Unique<CreatedDcTraits>;
using WindowDc = Unique<WindowDcTraits>;
using UniqueIcon = Unique<IconTraits>;
using UniqueMenu = Unique<MenuTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueSnapshot = Unique<FileTraits>;
using UniqueKernelHandle = Unique<KernelTraits>;
using UniqueFind = Unique<FindTraits>;
using UniqueKey = Unique<KeyTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueGlobal = Unique<GlobalTraits>;
using UniqueLocal = Unique<LocalTraits>;
using UniqueTaskString = Unique<TaskMemTraits>;

// GetDC(window) (null: the screen's), released with ReleaseDC.
inline WindowDc GetWindowDc(HWND window) { return WindowDc(GetDC(window), WindowDcTraits{{}, window}); }

// Selects an object into a DC; the previous object goes back in on scope
// exit. A null object, or a selection that fails (HGDI_ERROR), selects
// nothing. Declare the object before its selection, so that the selection
// is undone before the object is deleted.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {
        if (previous_ == HGDI_ERROR) previous_ = nullptr;
    }
    ~SelectGuard() {
        if (previous_) SelectObject(dc_, previous_);
    }
    SelectGuard(SelectGuard&& other) noexcept : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
    SelectGuard& operator=(SelectGuard&&) = delete;
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

    explicit operator bool() const { return previous_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// BeginPaint/EndPaint as one scope.
class PaintScope {
public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd) { dc_ = BeginPaint(hwnd, &ps_); }
    ~PaintScope() { EndPaint(hwnd_, &ps_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    HDC dc() const { return dc_; }
    const RECT& area() const { return ps_.rcPaint; }

private:
    HWND hwnd_;
    PAINTSTRUCT ps_{};
    HDC dc_ = nullptr;
};

}  // namespace kavrel::win32
