// Small owners for GDI handles: every object made is deleted and every
// selection undone when its owner goes out of scope. Declare the object
// before its selection, so that the selection is undone first.
#pragma once

#include <windows.h>

#include <utility>

namespace kavrel::progressbar::win32 {

// One GDI object (pen, brush, bitmap, font), deleted with DeleteObject.
template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle handle) : handle_(handle) {}
    ~GdiObject() { Reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Hands the object over to the caller, who deletes it.
    Handle Release() { return std::exchange(handle_, nullptr); }
    void Reset() {
        if (handle_) DeleteObject(handle_);
        handle_ = nullptr;
    }

private:
    Handle handle_ = nullptr;
};

// A DC made with CreateDC or CreateCompatibleDC, deleted with DeleteDC.
class OwnedDc {
public:
    OwnedDc() = default;
    explicit OwnedDc(HDC dc) : dc_(dc) {}
    ~OwnedDc() {
        if (dc_) DeleteDC(dc_);
    }
    OwnedDc(OwnedDc&& other) noexcept : dc_(std::exchange(other.dc_, nullptr)) {}
    OwnedDc& operator=(OwnedDc&& other) noexcept {
        if (this != &other) {
            if (dc_) DeleteDC(dc_);
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }
    OwnedDc(const OwnedDc&) = delete;
    OwnedDc& operator=(const OwnedDc&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_ = nullptr;
};

// Selects an object into a DC; the previous object goes back in on scope
// exit. A null object, or a selection that fails, selects nothing.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {
        if (previous_ == HGDI_ERROR) previous_ = nullptr;
    }
    ~ScopedSelect() {
        if (previous_) SelectObject(dc_, previous_);
    }
    ScopedSelect(ScopedSelect&& other) noexcept
        : dc_(other.dc_), previous_(std::exchange(other.previous_, nullptr)) {}
    ScopedSelect& operator=(ScopedSelect&&) = delete;
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

    explicit operator bool() const { return previous_ != nullptr; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace kavrel::progressbar::win32
