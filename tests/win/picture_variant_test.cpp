// The images made for 150 % and 200 % as this program carries them (the same
// resources as KavrelLinkTune.exe's): every picture of Form1's stored
// description has both, they decode through the system's picture loader,
// and each is the size the window lays the picture out at for that DPI.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/form/form_codec.h"
#include "app/host/host_gdi_win32.h"
#include "gdi/picture_scale.h"
#include "gdi/picture_variant_win32.h"
#include "tests/support/form1_fixture_win32.h"

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

}  // namespace
