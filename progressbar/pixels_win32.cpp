#include "progressbar/pixels_win32.h"

#include "win32/handle.h"

namespace kavrel::progressbar::win32 {

PixelImage CapturePixels(HDC dc, int x, int y, int width, int height) {
    PixelImage image;
    if (width <= 0 || height <= 0) return image;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    kavrel::win32::UniqueBitmap dib(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) return image;
    kavrel::win32::UniqueDc memDc(CreateCompatibleDC(dc));
    if (!memDc) return image;
    {
        kavrel::win32::SelectGuard select(memDc.get(), dib.get());
        if (!select || !BitBlt(memDc.get(), 0, 0, width, height, dc, x, y, SRCCOPY)) return image;
    }
    GdiFlush();
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const auto* quads = static_cast<const std::uint32_t*>(bits);  // 0x00RRGGBB
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const std::uint32_t q = quads[i];
        image.pixels[i] = static_cast<Colour>(((q & 0xFF) << 16) | (q & 0xFF00) | ((q >> 16) & 0xFF));
    }
    return image;
}

}  // namespace kavrel::progressbar::win32
