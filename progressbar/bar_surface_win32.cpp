#include "progressbar/bar_surface_win32.h"

#include "progressbar/bar_accessible_win32.h"

#include <mutex>
#include <stdexcept>
#include <system_error>

namespace kavrel::progressbar::win32 {

namespace {

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

}  // namespace

void BarSurface::RegisterWindowClass() {
    static std::once_flag once;
    static DWORD error = ERROR_SUCCESS;
    std::call_once(once, [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = &BarSurface::WindowProc;
        wc.hInstance = ThisModule();
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = nullptr;  // the surface erases with its own back colour
        wc.lpszClassName = BarSurface::kClassName;
        if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) error = GetLastError();
    });
    if (error != ERROR_SUCCESS) {
        throw std::system_error(static_cast<int>(error), std::system_category(),
                                "cannot register the progress bar window class");
    }
}

BarSurface::BarSurface() : bar_(*this, graphics_) {}

std::unique_ptr<BarSurface> BarSurface::Create(HWND parent, const RECT& bounds, int id, bool visible) {
    RegisterWindowClass();
    std::unique_ptr<BarSurface> surface(new BarSurface());
    const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (visible ? WS_VISIBLE : 0);
    const HWND hwnd = CreateWindowExW(0, kClassName, L"", style, bounds.left, bounds.top,
                                      bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), surface.get());
    if (!hwnd) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                "cannot create the progress bar window");
    }
    return surface;
}

BarSurface::~BarSurface() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void BarSurface::SetVisible(bool visible) {
    if (!hwnd_) return;
    const bool was = Visible();
    ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
    if (was != visible) NotifyWinEvent(visible ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
}

bool BarSurface::Visible() const { return hwnd_ && (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }

void BarSurface::SetBounds(const RECT& bounds) {
    if (hwnd_) {
        MoveWindow(hwnd_, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
    }
}

Canvas& BarSurface::DeviceContext() {
    if (!dc_) throw std::logic_error("the progress bar surface has no window");
    return *dc_;
}

void BarSurface::SetBackColor(Colour colour) {
    backColour_ = colour;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void BarSurface::SetScaleMode(std::int32_t mode) { scaleMode_ = mode; }

float BarSurface::ToScale(LONG pixels, int dpi) const {
    if (scaleMode_ == kScalePixels || dpi <= 0) return static_cast<float>(pixels);
    return static_cast<float>(static_cast<double>(pixels) * 1440.0 / dpi);  // twips
}

float BarSurface::ScaleWidth() const {
    RECT r{};
    if (!hwnd_ || !GetClientRect(hwnd_, &r)) return 0.0f;
    return ToScale(r.right - r.left, dc_ ? GetDeviceCaps(dc_->Dc(), LOGPIXELSX) : 96);
}

float BarSurface::ScaleHeight() const {
    RECT r{};
    if (!hwnd_ || !GetClientRect(hwnd_, &r)) return 0.0f;
    return ToScale(r.bottom - r.top, dc_ ? GetDeviceCaps(dc_->Dc(), LOGPIXELSY) : 96);
}

void BarSurface::PropertyChanged(std::string_view property) {
    if (onChange_) onChange_(property);
}

void BarSurface::LevelShown(std::int32_t percent) {
    if (percent == levelShown_) return;
    levelShown_ = percent;
    // Only a level someone can see is news: a hidden bar's value is read
    // when it is shown.
    if (hwnd_ && IsWindowVisible(hwnd_)) NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd_, OBJID_CLIENT, CHILDID_SELF);
}

LRESULT CALLBACK BarSurface::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<BarSurface*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<BarSurface*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->Handle(message, wParam, lParam);
    } catch (...) {
        // The bar's errors belong to whoever set its properties; a message
        // handler has no one to report them to. A failed initialise refuses
        // the window.
        return message == WM_CREATE ? -1 : 0;
    }
}

LRESULT BarSurface::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        // CS_OWNDC: the DC belongs to the window until it is destroyed.
        const HDC dc = GetDC(hwnd_);
        if (!dc) return -1;
        dc_.emplace(dc, &graphics_.Pictures());
        bar_.Initialize();
        return 0;
    }
    case WM_SIZE:
        bar_.Resize();
        return 0;
    case WM_ERASEBKGND: {
        RECT r{};
        GetClientRect(hwnd_, &r);
        Colour colour = IsSystemColour(backColour_) ? graphics_.SystemColour(SystemColourIndex(backColour_))
                                                    : backColour_;
        if (graphics_.HighContrast()) colour = graphics_.SystemColour(kSystemWindow);
        GdiCanvas(reinterpret_cast<HDC>(wParam)).FillRect(Rect{r.left, r.top, r.right, r.bottom}, colour);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd_, &ps);
        struct EndPainting {
            HWND hwnd;
            PAINTSTRUCT* ps;
            ~EndPainting() { EndPaint(hwnd, ps); }
        } end{hwnd_, &ps};
        bar_.Paint();
        return 0;
    }
    case WM_GETOBJECT:
        if (const LRESULT answer = kavrel::win32::AnswerGetObject(accessible_, wParam, lParam, [this] { return MakeBarAccessible(*this); })) {
            return answer;
        }
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    case WM_DESTROY:
        bar_.Terminate();
        return 0;
    case WM_NCDESTROY:
        accessible_.reset();  // clients still holding it get CO_E_OBJNOTCONNECTED
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        dc_.reset();
        hwnd_ = nullptr;
        return 0;
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace kavrel::progressbar::win32
