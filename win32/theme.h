// The visual styles' drawing of standard control parts, for controls the
// product draws itself in place of a standard control: uxtheme.dll loaded
// from the system folder the first time a theme is asked for. Empty where
// no theme applies (the classic look, or uxtheme missing): the caller then
// draws the classic look.
#pragma once

#include <windows.h>
#include <uxtheme.h>

#include <optional>

#include "win32/handle.h"

namespace kavrel::win32 {

struct ThemeTraits : NullIsInvalid<HTHEME> {
    static void Close(HTHEME h) noexcept;
};

class Theme {
public:
    Theme() = default;
    // The theme data of `classes` (L"Button") for that window; empty when
    // no theme is active for it.
    static Theme Open(HWND hwnd, const wchar_t* classes) noexcept;
    explicit operator bool() const { return static_cast<bool>(handle_); }

    bool DrawBackground(HDC dc, int part, int state, const RECT& rc) const noexcept;
    // The part's size as drawn (TS_DRAW) within `within`; none when the
    // theme does not say.
    std::optional<SIZE> PartSize(HDC dc, int part, int state, const RECT& within) const noexcept;
    // Where a part drawn in `bounds` puts its content; `bounds` when the
    // theme does not say.
    RECT ContentRect(HDC dc, int part, int state, const RECT& bounds) const noexcept;

private:
    explicit Theme(HTHEME h) : handle_(h) {}
    Unique<ThemeTraits> handle_;
};

}  // namespace kavrel::win32
