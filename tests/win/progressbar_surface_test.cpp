// The bar on its window surface under Wine: the lifecycle events the
// window raises, change notifications, buffer growth on resize, each redraw
// reaching the screen as one copy, and no GDI object left behind across
// ten thousand redraws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "progressbar_support_win32.h"

using namespace kavrel::persist;
using namespace kavrel::progressbar;
using namespace kavrel::progressbar::testing;

namespace {

class BarSurfaceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { parent_ = new ParentWindow(); }
    static void TearDownTestSuite() {
        delete parent_;
        parent_ = nullptr;
    }
    static HWND Parent() { return parent_->Get(); }
    static ParentWindow* parent_;
};

ParentWindow* BarSurfaceTest::parent_ = nullptr;

PixelImage WindowPixels(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    const HDC dc = GetDC(hwnd);
    PixelImage image = win32::CapturePixels(dc, 0, 0, r.right, r.bottom);
    ReleaseDC(hwnd, dc);
    return image;
}

void PaintMagenta(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    const HDC dc = GetDC(hwnd);
    win32::GdiCanvas(dc).FillRect(Rect{0, 0, r.right, r.bottom}, 0xFF00FF);
    ReleaseDC(hwnd, dc);
}

TEST_F(BarSurfaceTest, CreatingTheWindowInitialisesTheBar) {
    // Bar1's size: 249 x 9 pixels.
    auto surface = win32::BarSurface::Create(Parent(), RECT{10, 20, 259, 29}, 7);
    XP_ProgressBar& bar = surface->Bar();
    ASSERT_NE(surface->Window(), nullptr);
    EXPECT_EQ(GetDlgCtrlID(surface->Window()), 7);
    EXPECT_EQ(GetParent(surface->Window()), Parent());
    EXPECT_EQ(bar.hwnd(), reinterpret_cast<std::uintptr_t>(surface->Window()));
    EXPECT_TRUE(bar.Buffered());
    EXPECT_EQ(bar.BufferWidth(), 249);
    EXPECT_EQ(bar.BufferHeight(), 9);
    EXPECT_EQ(bar.hdc(), bar.Buffer()->Handle());
    EXPECT_NE(bar.hdc(), surface->DeviceContext().Handle());
    EXPECT_EQ(surface->ScaleWidth(), 249.0f);
    EXPECT_EQ(surface->ScaleHeight(), 9.0f);
    EXPECT_EQ(surface->BackColor(), 0xFFFFFF);
    EXPECT_EQ(bar.Color(), static_cast<Colour>(GetSysColor(COLOR_HIGHLIGHT)));
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.Max(), 100);
    // The class keeps one DC per window: the same handle at every call.
    const HDC dc = GetDC(surface->Window());
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(dc), surface->DeviceContext().Handle());
    ReleaseDC(surface->Window(), dc);
}

TEST_F(BarSurfaceTest, HostHearsEachChangedPropertyByName) {
    auto surface = win32::BarSurface::Create(Parent(), RECT{0, 0, 100, 12});
    std::vector<std::string> heard;
    surface->SetChangeHandler([&](std::string_view name) { heard.emplace_back(name); });
    XP_ProgressBar& bar = surface->Bar();
    bar.SetScrolling(1);
    bar.SetMax(5);
    bar.SetBrushStyle(3);
    bar.SetValue(1);
    bar.SetColor(0x0000C000);
    bar.SetProperty("showtext", -1);
    EXPECT_EQ(heard, (std::vector<std::string>{"Scrolling", "Max", "BrushStyle", "ShowText"}));
    EXPECT_EQ(bar.GetProperty("Value"), 1);
}

TEST_F(BarSurfaceTest, ResizingReplacesTheBufferOnlyWhenTheBarGrows) {
    auto surface = win32::BarSurface::Create(Parent(), RECT{0, 0, 100, 20});
    XP_ProgressBar& bar = surface->Bar();
    const std::uintptr_t first = bar.hdc();
    surface->SetBounds(RECT{0, 0, 80, 20});
    EXPECT_EQ(bar.BufferWidth(), 100);
    EXPECT_EQ(bar.hdc(), first);
    surface->SetBounds(RECT{0, 0, 120, 10});
    EXPECT_EQ(bar.BufferWidth(), 120);
    EXPECT_EQ(bar.BufferHeight(), 10);
    surface->SetBounds(RECT{0, 0, 50, 5});
    EXPECT_EQ(bar.BufferWidth(), 120);
    EXPECT_EQ(bar.BufferHeight(), 10);
}

// A Canvas that passes everything on to GDI and counts the calls.
class CountingCanvas final : public Canvas {
public:
    explicit CountingCanvas(HDC dc) : gdi_(dc) {}
    int blits = 0;
    int others = 0;

    std::uintptr_t Handle() const override { return gdi_.Handle(); }
    void FillRect(const Rect& rc, Colour c) override { ++others, gdi_.FillRect(rc, c); }
    void FrameRect(const Rect& rc, Colour c) override { ++others, gdi_.FrameRect(rc, c); }
    void Line(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d, Colour k) override {
        ++others, gdi_.Line(a, b, c, d, k);
    }
    void SetPixel(std::int32_t x, std::int32_t y, Colour c) override { ++others, gdi_.SetPixel(x, y, c); }
    void DrawEdge(const Rect& rc, std::uint32_t e, std::uint32_t b) override { ++others, gdi_.DrawEdge(rc, e, b); }
    void FillHatched(const Rect& rc, std::int32_t s, Colour c) override { ++others, gdi_.FillHatched(rc, s, c); }
    void PatternFill(const StdPicture& p, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override {
        ++others, gdi_.PatternFill(p, x, y, w, h);
    }
    void SetBackColour(Colour c) override { ++others, gdi_.SetBackColour(c); }
    void SetTransparentBackground() override { ++others, gdi_.SetTransparentBackground(); }
    void SetTextColour(Colour c) override { ++others, gdi_.SetTextColour(c); }
    std::unique_ptr<Selection> SelectFont(const StdFont& f) override { return ++others, gdi_.SelectFont(f); }
    std::int32_t DrawText(std::string_view t, Rect& rc, std::uint32_t f) override {
        return ++others, gdi_.DrawText(t, rc, f);
    }
    void Blit(std::int32_t xd, std::int32_t yd, std::int32_t w, std::int32_t h, Canvas& s, std::int32_t xs,
              std::int32_t ys) override {
        ++blits, gdi_.Blit(xd, yd, w, h, s, xs, ys);
    }

private:
    win32::GdiCanvas gdi_;
};

// A window of a plain class with its own DC, standing in for the bar's
// surface so that what reaches its DC can be counted.
class CountedSurface final : public Surface {
public:
    explicit CountedSurface(HWND parent) {
        WNDCLASSW wc{};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KavrelCountedSurface";
        RegisterClassW(&wc);
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 40, 300, 30, parent, nullptr,
                                wc.hInstance, nullptr);
        canvas_ = std::make_unique<CountingCanvas>(GetDC(hwnd_));
    }
    ~CountedSurface() override { DestroyWindow(hwnd_); }
    HWND Window() const { return hwnd_; }
    CountingCanvas& Counter() { return *canvas_; }

    std::uintptr_t WindowHandle() const override { return reinterpret_cast<std::uintptr_t>(hwnd_); }
    Canvas& DeviceContext() override { return *canvas_; }
    void SetBackColor(Colour) override {}
    void SetScaleMode(std::int32_t) override {}
    float ScaleLeft() const override { return 0; }
    float ScaleTop() const override { return 0; }
    float ScaleWidth() const override { return 300; }
    float ScaleHeight() const override { return 30; }
    void PropertyChanged(std::string_view) override {}

private:
    HWND hwnd_ = nullptr;
    std::unique_ptr<CountingCanvas> canvas_;
};

TEST_F(BarSurfaceTest, EachRedrawReachesTheScreenAsOneCopy) {
    CountedSurface surface(Parent());
    ASSERT_NE(surface.Window(), nullptr);
    win32::GdiGraphics graphics;
    XP_ProgressBar bar(surface, graphics);
    bar.Initialize();
    bar.SetShowText(true);
    bar.SetImage(PatternBmp());
    for (std::int32_t style = 0; style <= 9; ++style) {
        SCOPED_TRACE(style);
        bar.SetScrolling(style);
        PaintMagenta(surface.Window());
        surface.Counter().blits = surface.Counter().others = 0;
        bar.SetValue(10 * style);
        EXPECT_EQ(surface.Counter().blits, 1);
        EXPECT_EQ(surface.Counter().others, 0);
        const PixelImage screen = WindowPixels(surface.Window());
        const PixelImage buffer = BufferPixels(bar);
        ASSERT_EQ(screen.width, 300);
        EXPECT_EQ(screen.pixels, buffer.pixels);
    }
    bar.Terminate();
}

TEST_F(BarSurfaceTest, ValueSetsAndPaintsShowTheBufferOnTheWindow) {
    auto surface = win32::BarSurface::Create(Parent(), RECT{0, 80, 249, 89});
    XP_ProgressBar& bar = surface->Bar();
    bar.SetColor(0x00C56A31);
    bar.SetScrolling(kSmooth);
    PumpMessages();
    PaintMagenta(surface->Window());
    bar.SetValue(64);
    EXPECT_EQ(WindowPixels(surface->Window()).pixels, BufferPixels(bar).pixels);
    EXPECT_PIXEL(WindowPixels(surface->Window()), 0, 4, 0x686868);  // the frame, not magenta

    // The paint event redraws the whole bar.
    PaintMagenta(surface->Window());
    InvalidateRect(surface->Window(), nullptr, TRUE);
    UpdateWindow(surface->Window());
    EXPECT_EQ(WindowPixels(surface->Window()).pixels, BufferPixels(bar).pixels);
}

TEST_F(BarSurfaceTest, HostShowsAndHidesTheSurface) {
    auto surface = win32::BarSurface::Create(Parent(), RECT{0, 0, 100, 12}, 0, false);
    EXPECT_FALSE(surface->Visible());
    EXPECT_FALSE(IsWindowVisible(surface->Window()));
    surface->SetVisible(true);
    EXPECT_TRUE(surface->Visible());
    EXPECT_TRUE(IsWindowVisible(surface->Window()));
    surface->SetVisible(false);
    EXPECT_FALSE(surface->Visible());
    // Hidden, the bar still keeps its state and buffer.
    surface->Bar().SetValue(30);
    EXPECT_EQ(surface->Bar().Value(), 30);
}

TEST_F(BarSurfaceTest, DestroyingTheParentTerminatesTheBar) {
    ParentWindow parent(300, 40);
    auto surface = win32::BarSurface::Create(parent.Get(), RECT{0, 0, 249, 9});
    ASSERT_NE(surface->Bar().Buffer(), nullptr);
    DestroyWindow(parent.Get());
    EXPECT_EQ(surface->Window(), nullptr);
    EXPECT_EQ(surface->Bar().Buffer(), nullptr);
    EXPECT_EQ(surface->Bar().BufferWidth(), 0);
    // The host may still hold the object: setting a value draws nothing.
    EXPECT_NO_THROW(surface->Bar().SetValue(50));
    EXPECT_EQ(surface->Bar().Value(), 50);
}

TEST_F(BarSurfaceTest, TheGdiObjectCountSeesALeak) {
    const long before = GdiObjectsInUse();
    ASSERT_GT(before, 0);
    const HBRUSH leaked = CreateSolidBrush(0x123456);
    EXPECT_EQ(GdiObjectsInUse(), before + 1);
    DeleteObject(leaked);
    EXPECT_EQ(GdiObjectsInUse(), before);
}

TEST_F(BarSurfaceTest, TenThousandRedrawsLeaveNoGdiObjectBehind) {
    auto surface = win32::BarSurface::Create(Parent(), RECT{0, 100, 249, 109});
    XP_ProgressBar& bar = surface->Bar();
    bar.SetImage(PatternBmp());
    bar.SetBrushStyle(4);
    const auto redraws = [&](int steps) {
        for (int i = 0; i < steps; ++i) {
            // Every style in both orientations, with and without text: three
            // redraws a step.
            bar.SetOrientation((i / 10) % 2);
            bar.SetShowText((i / 20) % 2 == 0);
            bar.SetScrolling(i % 10);
        }
    };
    const auto resizes = [&] {
        for (int i = 0; i < 10; ++i) {
            surface->SetBounds(RECT{0, 100, 249 + 10 * i, 109 + i});  // buffers replaced
            bar.SetValue(i * 10);
        }
        surface->SetBounds(RECT{0, 100, 249, 109});
        // Paint what the moves invalidated: the windows drop their update
        // regions, which are GDI objects too.
        PumpMessages();
    };
    // First use of fonts, brushes, the picture and the windows' regions.
    redraws(40);
    resizes();
    const long before = GdiObjectsInUse();
    ASSERT_GT(before, 0);
    redraws(10000 / 3);
    resizes();
    const long after = GdiObjectsInUse();
    std::printf("GDI objects in use: %ld before, %ld after 10,000 redraws\n", before, after);
    EXPECT_EQ(after, before);
}

}  // namespace
