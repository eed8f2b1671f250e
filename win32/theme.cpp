#include "win32/theme.h"

#include "win32/library.h"

namespace kavrel::win32 {

namespace {

constexpr wchar_t kDll[] = L"uxtheme.dll";

template <typename Fn>
Fn Call(const char* name) noexcept {
    return SystemFunction<Fn>(kDll, name);
}

}  // namespace

void ThemeTraits::Close(HTHEME h) noexcept {
    static const auto close = Call<decltype(&CloseThemeData)>("CloseThemeData");
    if (close) close(h);
}

Theme Theme::Open(HWND hwnd, const wchar_t* classes) noexcept {
    static const auto open = Call<decltype(&OpenThemeData)>("OpenThemeData");
    static const auto appThemed = Call<decltype(&IsAppThemed)>("IsAppThemed");
    if (!open || !appThemed || !appThemed()) return Theme();
    return Theme(open(hwnd, classes));
}

bool Theme::DrawBackground(HDC dc, int part, int state, const RECT& rc) const noexcept {
    static const auto draw = Call<decltype(&DrawThemeBackground)>("DrawThemeBackground");
    return handle_ && draw && SUCCEEDED(draw(handle_.get(), dc, part, state, &rc, nullptr));
}

std::optional<SIZE> Theme::PartSize(HDC dc, int part, int state, const RECT& within) const noexcept {
    static const auto size = Call<decltype(&GetThemePartSize)>("GetThemePartSize");
    SIZE out{};
    RECT bounds = within;
    if (!handle_ || !size || FAILED(size(handle_.get(), dc, part, state, &bounds, TS_DRAW, &out))) return std::nullopt;
    return out;
}

RECT Theme::ContentRect(HDC dc, int part, int state, const RECT& bounds) const noexcept {
    static const auto content = Call<decltype(&GetThemeBackgroundContentRect)>("GetThemeBackgroundContentRect");
    RECT out = bounds;
    if (!handle_ || !content) return bounds;
    if (FAILED(content(handle_.get(), dc, part, state, &bounds, &out))) return bounds;
    return out;
}

}  // namespace kavrel::win32
