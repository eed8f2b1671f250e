// The window's pictures as gdi::DecodePicture makes them (our decoder, no
// COM) against the system's picture loader, pixel for pixel, under Wine:
// the pictures the window shows must not change by a single value.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gdi/picture_win32.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Pixels {
    LONG width = 0, height = 0;
    std::vector<std::uint32_t> rgb;  // 0xXXRRGGBB as stored, top-down: the fourth byte counts too
};

Pixels PixelsOf(HBITMAP bitmap) {
    Pixels p;
    BITMAP bm{};
    if (!bitmap || !GetObjectW(bitmap, sizeof bm, &bm)) return p;
    p.width = bm.bmWidth;
    p.height = bm.bmHeight;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = -bm.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    p.rgb.resize(static_cast<std::size_t>(bm.bmWidth) * static_cast<std::size_t>(bm.bmHeight));
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(bm.bmHeight), p.rgb.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(rows, bm.bmHeight);
    return p;
}

void ExpectSameAsSystem(const std::string& path) {
    SCOPED_TRACE(path);
    const Bytes file = ReadFile(path);
    const kavrel::win32::UniqueBitmap ours = kavrel::gdi::DecodePicture(file);
    const kavrel::win32::UniqueBitmap system = kavrel::gdi::DecodePictureBySystem(file);
    ASSERT_TRUE(ours);
    ASSERT_TRUE(system);
    const Pixels a = PixelsOf(ours.get()), b = PixelsOf(system.get());
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    ASSERT_EQ(a.rgb.size(), b.rgb.size());
    for (std::size_t i = 0; i < a.rgb.size(); ++i) {
        ASSERT_EQ(a.rgb[i], b.rgb[i]) << "pixel (" << i % static_cast<std::size_t>(a.width) << ", "
                                      << i / static_cast<std::size_t>(a.width) << ") ours vs the system's";
    }
}

// The monochrome mask of a picture for a key colour, as the transparent
// drawing of buttons and menu items makes it (white where the key is).
std::vector<std::uint8_t> MaskOf(HBITMAP bitmap, COLORREF key) {
    BITMAP bm{};
    GetObjectW(bitmap, sizeof bm, &bm);
    HDC screen = GetDC(nullptr);
    HDC src = CreateCompatibleDC(screen);
    HDC dst = CreateCompatibleDC(screen);
    HBITMAP mask = CreateBitmap(bm.bmWidth, bm.bmHeight, 1, 1, nullptr);
    HGDIOBJ oldSrc = SelectObject(src, bitmap);
    HGDIOBJ oldDst = SelectObject(dst, mask);
    SetBkColor(src, key);
    BitBlt(dst, 0, 0, bm.bmWidth, bm.bmHeight, src, 0, 0, SRCCOPY);
    std::vector<std::uint8_t> bits;
    for (int y = 0; y < bm.bmHeight; ++y) {
        for (int x = 0; x < bm.bmWidth; ++x) bits.push_back(GetPixel(dst, x, y) == RGB(255, 255, 255) ? 1 : 0);
    }
    SelectObject(src, oldSrc);
    SelectObject(dst, oldDst);
    DeleteObject(mask);
    DeleteDC(dst);
    DeleteDC(src);
    ReleaseDC(nullptr, screen);
    return bits;
}

TEST(PicturePixels, MasksForAKeyColourAreTheSystemPicturesMasks) {
    for (const char* name : {"kavrelcmd1.jpg", "command1.bmp", "menu_opti.bmp", "image1.jpg"}) {
        SCOPED_TRACE(name);
        const Bytes file = ReadFile(std::string(KAVREL_PICTURES_DIR_PATH) + "/" + name);
        const kavrel::win32::UniqueBitmap ours = kavrel::gdi::DecodePicture(file);
        const kavrel::win32::UniqueBitmap system = kavrel::gdi::DecodePictureBySystem(file);
        ASSERT_TRUE(ours);
        ASSERT_TRUE(system);
        const Pixels pixels = PixelsOf(ours.get());
        ASSERT_FALSE(pixels.rgb.empty());
        const std::uint32_t corner = pixels.rgb[0] & 0x00FFFFFFu;
        const COLORREF cornerKey = RGB(corner >> 16, (corner >> 8) & 0xFF, corner & 0xFF);
        for (COLORREF key : {RGB(255, 255, 255), RGB(255, 0, 255), cornerKey}) {
            EXPECT_EQ(MaskOf(ours.get(), key), MaskOf(system.get(), key)) << "key " << std::hex << key;
        }
    }
}

TEST(PicturePixels, EveryPictureOfTheWindowDecodesToTheSystemsPixels) {
    for (const char* name : {"command1.bmp", "menu_exit.bmp", "menu_opti.bmp", "menu_propos.bmp", "menu_site.bmp",
                             "image1.jpg", "image2.jpg", "image3.jpg", "image4.jpg", "kavrelcmd1.jpg"}) {
        ExpectSameAsSystem(std::string(KAVREL_PICTURES_DIR_PATH) + "/" + name);
    }
}

TEST(PicturePixels, TestPicturesDecodeToTheSystemsPixelsAndOtherVariantsFallBackToIt) {
    for (const char* name : {"colour.jpg", "grey.jpg", "progressive.jpg", "subsampled.jpg"}) {
        ExpectSameAsSystem(std::string(KAVREL_TEST_PICTURES) + "/" + name);
    }
}

TEST(PicturePixels, DecodingTheWindowsPicturesLeavesTheThreadWithoutCom) {
    // On a thread of its own that never started COM: afterwards COM can
    // still be started there for the first time (S_OK, not S_FALSE).
    struct Result {
        bool decoded = false;
        HRESULT first = E_FAIL;
    } result;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* arg) -> DWORD {
            auto* r = static_cast<Result*>(arg);
            const Bytes jpeg = ReadFile(std::string(KAVREL_PICTURES_DIR_PATH) + "/image4.jpg");
            const Bytes bmp = ReadFile(std::string(KAVREL_PICTURES_DIR_PATH) + "/command1.bmp");
            r->decoded = kavrel::gdi::DecodePicture(jpeg) && kavrel::gdi::DecodePicture(bmp);
            r->first = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            if (SUCCEEDED(r->first)) CoUninitialize();
            return 0;
        },
        &result, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 30000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_TRUE(result.decoded);
    EXPECT_EQ(result.first, S_OK) << "the decoding started COM on the thread";
}

TEST(PicturePixels, MalformedPicturesGiveNoBitmap) {
    Bytes jpeg = ReadFile(std::string(KAVREL_PICTURES_DIR_PATH) + "/image1.jpg");
    jpeg.resize(jpeg.size() / 2);
    EXPECT_FALSE(kavrel::gdi::DecodePicture(jpeg));
    Bytes bmp = ReadFile(std::string(KAVREL_PICTURES_DIR_PATH) + "/command1.bmp");
    bmp.resize(100);
    EXPECT_FALSE(kavrel::gdi::DecodePicture(bmp));
    EXPECT_FALSE(kavrel::gdi::DecodePicture({}));
}

}  // namespace
