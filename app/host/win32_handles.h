// Small owners for the Win32 handles the window host makes, so that every
// object is released, and every selection undone, when its scope ends.
#pragma once

#include <windows.h>

#include <utility>

namespace kavrel::app {

template <typename Handle, typename Traits>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h_(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Handle{})) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, Handle{}));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Handle{}; }
    Handle release() { return std::exchange(h_, Handle{}); }
    void reset(Handle h = Handle{}) {
        if (h_ != Handle{}) Traits::Close(h_);
        h_ = h;
    }

private:
    Handle h_{};
};

struct GdiObjectTraits {
    static void Close(HGDIOBJ h) { DeleteObject(h); }
};
struct MemoryDcTraits {
    static void Close(HDC h) { DeleteDC(h); }
};
struct IconTraits {
    static void Close(HICON h) { DestroyIcon(h); }
};
struct MenuTraits {
    static void Close(HMENU h) { DestroyMenu(h); }
};

using UniqueFont = UniqueHandle<HFONT, GdiObjectTraits>;
using UniqueBitmap = UniqueHandle<HBITMAP, GdiObjectTraits>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiObjectTraits>;
using UniquePen = UniqueHandle<HPEN, GdiObjectTraits>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;

// Selects an object into a DC and selects the previous one back on exit.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    ~SelectGuard() {
        if (old_) SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window's DC obtained with GetDC, released on exit.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
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

}  // namespace kavrel::app
