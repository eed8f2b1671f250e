// Which image a window draws a stored picture from at its DPI, the size it
// takes there, and the names the program finds the images by.
#include "gdi/picture_scale.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace kavrel::gdi {
namespace {

TEST(PictureStep, EachDpiDrawsFromTheImageMadeForItOrTheNextLarger) {
    struct Case {
        unsigned dpi;
        PictureStep step;
    };
    const Case cases[] = {
        {72, PictureStep::Stored},  {96, PictureStep::Stored},  {97, PictureStep::Large},
        {120, PictureStep::Large},  {144, PictureStep::Large},  {145, PictureStep::Double},
        {168, PictureStep::Double}, {192, PictureStep::Double}, {288, PictureStep::Double},
    };
    for (const Case& c : cases) EXPECT_EQ(c.step, StepForDpi(c.dpi)) << "at " << c.dpi << " DPI";
}

TEST(PictureStep, NoPictureIsBlownUpUpToTwiceTheStoredSize) {
    // Every size the window's pictures have, at every DPI up to 200 %: the
    // image chosen is at least as large as the place it is drawn in, and
    // exactly as large at the steps themselves.
    for (int length = 1; length <= 480; ++length) {
        const PixelSize stored{length, length + 1};
        for (unsigned dpi = 96; dpi <= 192; ++dpi) {
            const PixelSize image = StepSize(stored, StepForDpi(dpi));
            const PixelSize place{ScaledLength(stored.width, dpi), ScaledLength(stored.height, dpi)};
            ASSERT_GE(image.width, place.width) << length << " px at " << dpi << " DPI";
            ASSERT_GE(image.height, place.height) << length << " px at " << dpi << " DPI";
            if (dpi == 96 || dpi == 144 || dpi == 192) {
                ASSERT_EQ(image, place) << length << " px at " << dpi << " DPI";
            }
        }
    }
}

TEST(PictureStep, SizesRoundHalvesUpAsTheLayoutDoes) {
    EXPECT_EQ((PixelSize{32, 35}), StepSize(PixelSize{21, 23}, PictureStep::Large));
    EXPECT_EQ((PixelSize{42, 46}), StepSize(PixelSize{21, 23}, PictureStep::Double));
    EXPECT_EQ((PixelSize{360, 63}), StepSize(PixelSize{240, 42}, PictureStep::Large));
    EXPECT_EQ((PixelSize{21, 23}), StepSize(PixelSize{21, 23}, PictureStep::Stored));
    EXPECT_EQ(32, ScaledLength(21, 144));
    EXPECT_EQ(26, ScaledLength(21, 120));  // 26.25
    EXPECT_EQ(0, ScaledLength(0, 192));
}

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(PictureHash, IsFnv1aOf64Bits) {
    EXPECT_EQ(0xCBF29CE484222325ull, PictureHash(Bytes("")));
    EXPECT_EQ(0xAF63DC4C8601EC8Cull, PictureHash(Bytes("a")));
    EXPECT_EQ(0x85944171F73967E8ull, PictureHash(Bytes("foobar")));
    // one byte changed anywhere changes the name
    auto a = Bytes("JFIF picture bytes"), b = a;
    b[7] ^= 1;
    EXPECT_NE(PictureHash(a), PictureHash(b));
}

TEST(VariantResourceName, NamesTheHashInSixteenDigitsAndThePercent) {
    EXPECT_EQ("PIC_00000000000000AB_150", VariantResourceName(0xABu, PictureStep::Large));
    EXPECT_EQ("PIC_CBF29CE484222325_200", VariantResourceName(0xCBF29CE484222325ull, PictureStep::Double));
    EXPECT_EQ("", VariantResourceName(0xABu, PictureStep::Stored));
}

#ifdef KAVREL_PICTURES_DIR
std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

TEST(VariantResourceName, TheResourceScriptNamesBothVariantsOfEveryStoredPicture) {
    // The names the picture script wrote are the ones this code looks for.
    const std::vector<std::uint8_t> rc = ReadFile(std::string(KAVREL_VARIANTS_DIR) + "/variants.rc.in");
    const std::string script(rc.begin(), rc.end());
    ASSERT_FALSE(script.empty());
    for (const char* name : {"image1.jpg", "image2.jpg", "image3.jpg", "image4.jpg", "command1.bmp", "kavrelcmd1.jpg",
                             "menu_exit.bmp", "menu_opti.bmp", "menu_propos.bmp", "menu_site.bmp"}) {
        const std::vector<std::uint8_t> stored = ReadFile(std::string(KAVREL_PICTURES_DIR) + "/" + name);
        ASSERT_FALSE(stored.empty()) << name;
        for (PictureStep step : {PictureStep::Large, PictureStep::Double}) {
            const std::string resource = VariantResourceName(PictureHash(stored), step) + " RCDATA ";
            EXPECT_NE(std::string::npos, script.find(resource)) << name << ": no " << resource;
        }
    }
}
#endif

}  // namespace
}  // namespace kavrel::gdi
