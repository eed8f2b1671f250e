// Shared pieces of the progress bar's tests on Wine's GDI: a visible parent
// window, bars on their real surface, pixels read back and named in
// failures, the count of GDI objects in use, and picture files.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "progressbar/bar_surface_win32.h"
#include "progressbar/pixel_image.h"
#include "progressbar/pixels_win32.h"

namespace kavrel::progressbar::testing {

inline std::string Hex(Colour c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%06X", static_cast<unsigned>(c));
    return buf;
}

// "pixel (x, y)" and the expected colour in every failure message.
#define EXPECT_PIXEL(image, x, y, colour)                                                                     \
    EXPECT_EQ(::kavrel::progressbar::testing::Hex((image).At((x), (y))), ::kavrel::progressbar::testing::Hex(colour)) \
        << "pixel (" << (x) << ", " << (y) << ")"

// A visible top-level window at the screen's corner for bars to live in.
class ParentWindow {
public:
    explicit ParentWindow(int width = 700, int height = 260)
        : hwnd_(CreateWindowExW(0, L"STATIC", L"progress bar tests", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
    ~ParentWindow() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    ParentWindow(const ParentWindow&) = delete;
    ParentWindow& operator=(const ParentWindow&) = delete;
    HWND Get() const { return hwnd_; }

private:
    HWND hwnd_;
};

inline void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// The bar's off-screen buffer as it stands.
inline PixelImage BufferPixels(const XP_ProgressBar& bar) {
    const auto* buffer = dynamic_cast<const win32::GdiCanvas*>(bar.Buffer());
    if (!buffer) return {};
    return win32::CapturePixels(buffer->Dc(), 0, 0, bar.BufferWidth(), bar.BufferHeight());
}

// GDI objects this process has in use. Wine's GetGuiResources answers 0,
// so there the live entries of the process's GDI handle table are counted
// (the table's address is in the process environment block, at 0xF8 on
// 64-bit; a live entry has a nonzero object type). -1 when neither works.
inline long GdiObjectsInUse() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0) return static_cast<long>(reported);
    struct Entry {
        std::uint64_t object;
        std::uint32_t owner;
        std::uint16_t unique;
        std::uint8_t type;
        std::uint8_t flags;
        std::uint64_t user;
    };
    static_assert(sizeof(Entry) == 24);
    PROCESS_BASIC_INFORMATION info{};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof info, nullptr) != 0) {
        return -1;
    }
    const auto* peb = reinterpret_cast<const std::uint8_t*>(info.PebBaseAddress);
    const auto* table = *reinterpret_cast<const Entry* const*>(peb + 0xF8);
    if (!table) return -1;
    long live = 0;
    for (int i = 0; i < 0x10000; ++i) live += table[i].type != 0;
    return live;
}

// An 8 x 8 BMP file whose pixel (x, y) is PatternColour(x, y).
inline Colour PatternColour(int x, int y) { return Rgb(x * 30 + 10, y * 30 + 10, 200 - 20 * ((x + y) % 8)); }
inline std::shared_ptr<persist::StdPicture> PatternBmp() {
    PixelImage image{8, 8, {}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) image.pixels.push_back(PatternColour(x, y));
    auto picture = std::make_shared<persist::StdPicture>();
    picture->format = persist::StdPicture::Format::Bitmap;
    picture->bytes = EncodeBmp24(image);
    picture->width = picture->height = 8;
    return picture;
}

// An 8 x 8 JPEG file of one colour, #3366CC.
inline std::shared_ptr<persist::StdPicture> SolidJpeg() {
    static const std::uint8_t kJpeg[] = {
      0xff, 0xd8, 0xff, 0xe0, 0x00, 0x10, 0x4a, 0x46, 0x49, 0x46, 0x00, 0x01,
      0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0xff, 0xdb, 0x00, 0x43,
      0x00, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
      0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
      0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
      0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
      0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
      0x01, 0x01, 0x01, 0x01, 0x01, 0xff, 0xdb, 0x00, 0x43, 0x01, 0x01, 0x01,
      0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
      0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
      0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
      0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
      0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01,
      0x01, 0x01, 0xff, 0xc0, 0x00, 0x11, 0x08, 0x00, 0x08, 0x00, 0x08, 0x03,
      0x01, 0x11, 0x00, 0x02, 0x11, 0x01, 0x03, 0x11, 0x01, 0xff, 0xc4, 0x00,
      0x14, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0xff, 0xc4, 0x00, 0x14, 0x10,
      0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0xff, 0xc4, 0x00, 0x14, 0x01, 0x01, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x09, 0xff, 0xc4, 0x00, 0x14, 0x11, 0x01, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0xff, 0xda, 0x00, 0x0c, 0x03, 0x01, 0x00, 0x02, 0x11, 0x03, 0x11,
      0x00, 0x3f, 0x00, 0x07, 0x9e, 0x01, 0xde, 0xff, 0xd9
    };
    auto picture = std::make_shared<persist::StdPicture>();
    picture->format = persist::StdPicture::Format::Jpeg;
    picture->bytes.assign(std::begin(kJpeg), std::end(kJpeg));
    picture->width = picture->height = 8;
    return picture;
}

}  // namespace kavrel::progressbar::testing
