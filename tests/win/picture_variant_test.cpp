// The images made for 150 % and 200 % as this program carries them (the same
// resources as KavrelLinkTune.exe's): every picture of Form1's stored
// description has both, they decode through the system's picture loader,
// and each is the size the window lays the picture out at for that DPI.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <ole2.h>
#include <set>
#include <string>
#include <vector>

#include "app/form/form_codec.h"
#include "app/host/form_window_win32.h"
#include "app/host/host_gdi_win32.h"
#include "gdi/picture_scale.h"
#include "gdi/picture_variant_win32.h"
#include "gdi/picture_win32.h"
#include "progressbar/pixels_win32.h"
#include "tests/support/form1_fixture_win32.h"
#include "win32/library.h"
#include "win32/text.h"

using namespace kavrel;
using kavrel::gdi::PictureStep;

namespace {

// A picture of Form1 and the place the window gives it at a DPI.
struct Placed {
    std::string where;
    persist::StdPicture picture;
    std::function<SIZE(UINT dpi)> place;
};

std::vector<Placed> PicturesOfForm1(const app::FormDescription& form) {
    std::vector<Placed> out;
    std::function<void(const app::Control&)> walk = [&](const app::Control& c) {
        if (c.picture && c.position) {
            // Picture controls fill their rectangle.
            const app::TwipsRect twips = *c.position;
            out.push_back({c.name, *c.picture, [twips](UINT dpi) {
                               const RECT rc = app::ToPixels(twips, dpi);
                               return SIZE{rc.right - rc.left, rc.bottom - rc.top};
                           }});
        }
        if (c.storedSet) {
            const persist::PropertyBag& bag = *c.storedSet;
            if (auto p = bag.ReadPicture("picture")) {
                // Buttons scale the picture's own size.
                const SIZE natural{p->width, p->height};
                out.push_back({c.name, *p, [natural](UINT dpi) {
                                   return SIZE{MulDiv(natural.cx, static_cast<int>(dpi), 96),
                                               MulDiv(natural.cy, static_cast<int>(dpi), 96)};
                               }});
            }
            for (int i = 1; i <= bag.ReadInt32("bmpcount", 0); ++i) {
                // Menu items draw their pictures in a 16-pixel square.
                if (auto p = bag.ReadPicture("bmp:" + std::to_string(i))) {
                    out.push_back({c.name + " bmp:" + std::to_string(i), *p, [](UINT dpi) {
                                       const int side = MulDiv(16, static_cast<int>(dpi), 96);
                                       return SIZE{side, side};
                                   }});
                }
            }
        }
        for (const app::Control& child : c.children) walk(child);
    };
    walk(form.window);
    return out;
}

SIZE SizeOf(HBITMAP bitmap) {
    BITMAP bm{};
    if (!GetObjectW(bitmap, sizeof bm, &bm)) return SIZE{-1, -1};
    return SIZE{bm.bmWidth, bm.bmHeight};
}

class PictureVariants : public ::testing::Test {
protected:
    void SetUp() override {
        form = app::LoadForm1(kavrel::testing::Form1Bytes());
        pictures = PicturesOfForm1(form);
    }
    HMODULE self = GetModuleHandleW(nullptr);
    app::FormDescription form;
    std::vector<Placed> pictures;
};

TEST_F(PictureVariants, Form1HasTheTenPicturesItShows) {
    // Four images, two buttons and four menu items; command1 and the
    // optimiser's menu item store the same picture.
    ASSERT_EQ(10u, pictures.size());
    std::set<std::uint64_t> distinct;
    for (const Placed& p : pictures) distinct.insert(gdi::PictureHash(p.picture.bytes));
    EXPECT_EQ(9u, distinct.size());
}

TEST_F(PictureVariants, EveryPictureHasBothScalesAndEachFitsItsPlace) {
    for (const Placed& p : pictures) {
        for (const UINT dpi : {144u, 192u}) {
            const PictureStep step = gdi::StepForDpi(dpi);
            EXPECT_FALSE(gdi::VariantBytes(self, p.picture, step).empty())
                << p.where << ": no image for " << static_cast<unsigned>(step) << " %";
            const gdi::ChosenBitmap chosen = gdi::DecodeForDpi(self, p.picture, dpi);
            ASSERT_TRUE(chosen.bitmap) << p.where << " at " << dpi << " DPI";
            EXPECT_EQ(step, chosen.step) << p.where << " at " << dpi << " DPI: drawn from the stored picture";
            const SIZE got = SizeOf(chosen.bitmap.get()), want = p.place(dpi);
            EXPECT_EQ(want.cx, got.cx) << p.where << " at " << dpi << " DPI";
            EXPECT_EQ(want.cy, got.cy) << p.where << " at " << dpi << " DPI";
        }
    }
}

TEST_F(PictureVariants, At96DpiTheStoredPictureIsDrawn) {
    for (const Placed& p : pictures) {
        const gdi::ChosenBitmap chosen = gdi::DecodeForDpi(self, p.picture, 96);
        ASSERT_TRUE(chosen.bitmap) << p.where;
        EXPECT_EQ(PictureStep::Stored, chosen.step) << p.where;
        const SIZE got = SizeOf(chosen.bitmap.get());
        EXPECT_EQ(p.picture.width, got.cx) << p.where;
        EXPECT_EQ(p.picture.height, got.cy) << p.where;
    }
}

TEST_F(PictureVariants, BetweenStepsTheNextLargerImageIsShrunk) {
    for (const Placed& p : pictures) {
        for (const UINT dpi : {120u, 168u}) {
            const gdi::ChosenBitmap chosen = gdi::DecodeForDpi(self, p.picture, dpi);
            ASSERT_TRUE(chosen.bitmap) << p.where;
            EXPECT_EQ(gdi::StepForDpi(dpi), chosen.step) << p.where << " at " << dpi << " DPI";
            const SIZE got = SizeOf(chosen.bitmap.get()), place = p.place(dpi);
            EXPECT_GE(got.cx, place.cx) << p.where << " at " << dpi << " DPI";
            EXPECT_GE(got.cy, place.cy) << p.where << " at " << dpi << " DPI";
        }
    }
}

TEST_F(PictureVariants, TheHostKeepsTheStoredSizeForLayout) {
    // A button lays its picture out from the stored size, whatever image it
    // draws from.
    for (const Placed& p : pictures) {
        auto decoded = app::DecodedPicture::ForDpi(p.picture, 192, self);
        ASSERT_TRUE(decoded) << p.where;
        EXPECT_EQ(p.picture.width, decoded->Size().cx) << p.where;
        EXPECT_EQ(p.picture.height, decoded->Size().cy) << p.where;
        EXPECT_EQ(2 * p.picture.width, decoded->Pixels().cx) << p.where;
        EXPECT_TRUE(decoded->Scaled()) << p.where;
    }
}

TEST_F(PictureVariants, AModuleWithoutThemDrawsTheStoredPicture) {
    HMODULE other = GetModuleHandleW(L"kernel32.dll");
    ASSERT_NE(nullptr, other);
    for (const Placed& p : pictures) {
        EXPECT_TRUE(gdi::VariantBytes(other, p.picture, PictureStep::Double).empty()) << p.where;
        const gdi::ChosenBitmap chosen = gdi::DecodeForDpi(other, p.picture, 192);
        ASSERT_TRUE(chosen.bitmap) << p.where;
        EXPECT_EQ(PictureStep::Stored, chosen.step) << p.where;
        EXPECT_EQ(p.picture.width, SizeOf(chosen.bitmap.get()).cx) << p.where;
    }
}

// The pixels of a bitmap.
progressbar::PixelImage PixelsOf(HBITMAP bitmap) {
    const win32::UniqueDc dc(CreateCompatibleDC(nullptr));
    const win32::SelectGuard sel(dc.get(), bitmap);
    const SIZE s = SizeOf(bitmap);
    return progressbar::win32::CapturePixels(dc.get(), 0, 0, s.cx, s.cy);
}

// Pixels differing between a rectangle of the window's client area, painted
// anew, and an image of its size; -1 when the sizes differ.
long Differing(HWND window, const RECT& at, const progressbar::PixelImage& want) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    kavrel::testing::Pump();
    const HDC dc = GetDC(window);
    const progressbar::PixelImage got =
        progressbar::win32::CapturePixels(dc, at.left, at.top, at.right - at.left, at.bottom - at.top);
    ReleaseDC(window, dc);
    if (got.width != want.width || got.height != want.height || got.pixels.empty()) return -1;
    long differing = 0;
    for (std::size_t i = 0; i < got.pixels.size(); ++i) differing += got.pixels[i] != want.pixels[i];
    return differing;
}

// Polls Differing until it is 0 or five seconds pass; the last count.
long DifferingWithin5s(HWND window, const RECT& at, const progressbar::PixelImage& want) {
    const DWORD deadline = GetTickCount() + 5000;
    long differing = Differing(window, at, want);
    while (differing != 0 && GetTickCount() < deadline) {
        Sleep(20);
        differing = Differing(window, at, want);
    }
    return differing;
}

TEST_F(PictureVariants, AWindowMovedToAnotherDpiDrawsTheImageMadeForIt) {
    // Form1 told that its monitor is now at 192 DPI, then at 96 again, as a
    // window dragged between monitors is: the banner is the 200 % image,
    // then the stored picture, exactly.
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    {
        app::FormWindow window(form, self, app::FormWindow::Events{});
        window.Show(SW_SHOWNORMAL);
        kavrel::testing::Pump();
        const persist::StdPicture& banner = *form.Get("Image4", app::ControlKind::Picture).picture;
        const win32::UniqueBitmap made = gdi::DecodePicture(gdi::VariantBytes(self, banner, PictureStep::Double));
        const win32::UniqueBitmap stored = gdi::DecodePicture(banner.bytes);
        ASSERT_TRUE(made && stored);

        RECT suggested{0, 0, 1040, 760};
        SendMessageW(window.Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(192, 192),
                     reinterpret_cast<LPARAM>(&suggested));
        RECT at = window.ControlRect("Image4");
        ASSERT_EQ(480, at.right - at.left);
        ASSERT_EQ(84, at.bottom - at.top);
        EXPECT_EQ(0, DifferingWithin5s(window.Handle(), at, PixelsOf(made.get()))) << "Image4 at 192 DPI";

        SendMessageW(window.Handle(), 0x02E0, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
        at = window.ControlRect("Image4");
        ASSERT_EQ(240, at.right - at.left);
        EXPECT_EQ(0, DifferingWithin5s(window.Handle(), at, PixelsOf(stored.get()))) << "Image4 back at 96 DPI";
    }
    kavrel::testing::Pump();
    OleUninitialize();
}

// The frames of a program file's icon group IDI_APP, by width.
std::set<int> IconFrames(HMODULE module) {
    std::set<int> widths;
    HRSRC found = FindResourceW(module, L"IDI_APP", MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
    if (!found) return widths;
    const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    const DWORD size = SizeofResource(module, found);
    if (!dir || size < 6) return widths;
    // The group: 6 bytes of header, then 14 bytes an entry, width first (0 for 256).
    const unsigned count = dir[4] | (dir[5] << 8);
    for (unsigned i = 0; i < count && 6 + 14 * (i + 1) <= size; ++i) {
        const BYTE w = dir[6 + 14 * i];
        widths.insert(w ? w : 256);
    }
    return widths;
}

TEST(ProgramIcon, BothProgramsCarryFramesFrom16To256Pixels) {
    for (const char* path : {KAVREL_PROGRAM_EXE, KAVREL_CONSOLE_EXE}) {
        const win32::UniqueModule module = win32::LoadAsData(win32::Widen(path));
        ASSERT_TRUE(module) << path;
        EXPECT_EQ((std::set<int>{16, 20, 24, 32, 40, 48, 64, 128, 256}), IconFrames(module.get())) << path;
        // The system makes an icon of every size from them, the largest
        // from its PNG frame.
        for (const int side : {16, 32, 48, 256}) {
            win32::UniqueIcon icon(static_cast<HICON>(
                LoadImageW(module.get(), L"IDI_APP", IMAGE_ICON, side, side, LR_DEFAULTCOLOR)));
            ASSERT_TRUE(icon) << path << " at " << side << " px";
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(icon.get(), &info)) << path;
            win32::UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
            BITMAP bm{};
            GetObjectW(colour ? colour.get() : mask.get(), sizeof bm, &bm);
            EXPECT_EQ(side, bm.bmWidth) << path << " at " << side << " px";
        }
    }
}

}  // namespace
