#include "gdi/picture_win32.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "persist/binary_io.h"
#include "persist/picture_file.h"
#include "persist/picture_pixels.h"
#include "win32/com.h"

namespace kavrel::gdi {

namespace {

// Whether the screen's bitmaps are of one plane of 32 bits a pixel; asked
// once (the display's format does not change while the program runs).
bool ScreenIs32Bits() {
    static const bool is32 = [] {
        const win32::WindowDc screen = win32::GetWindowDc(nullptr);
        return screen && GetDeviceCaps(screen.get(), PLANES) == 1 && GetDeviceCaps(screen.get(), BITSPIXEL) == 32;
    }();
    return is32;
}

// A bitmap compatible with the screen holding the decoded pixels, as the
// system's loader gives (a device-dependent bitmap turns to a mask by its
// DC's background colour, which the transparent drawing relies on).
// The fourth byte of each pixel is the one the system's loader leaves there:
// 0xFF for a JPEG picture, zero for a BMP one. A mask made for a key colour
// compares all four bytes, so a JPEG picture never has see-through pixels.
win32::UniqueBitmap BitmapOfPixels(const persist::PicturePixels& decoded, std::uint32_t fourthByte) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = decoded.width;
    bi.bmiHeader.biHeight = -decoded.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    // Straight into the screen's format: one bitmap and one conversion,
    // instead of a DIB section copied into a second bitmap.
    std::vector<std::uint32_t> bits(decoded.pixels.size());
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = decoded.pixels[i] | fourthByte;
    // A screen of 32 bits a pixel (one plane) stores its bitmaps as these
    // pixels are laid out: the bitmap is made from them at once, without a
    // screen DC to ask for one and then a conversion into it.
    if (ScreenIs32Bits()) {
        return win32::UniqueBitmap(CreateBitmap(decoded.width, decoded.height, 1, 32, bits.data()));
    }
    const win32::WindowDc screen = win32::GetWindowDc(nullptr);
    if (!screen) return {};
    win32::UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), decoded.width, decoded.height));
    if (!bitmap || SetDIBits(screen.get(), bitmap.get(), 0, static_cast<UINT>(decoded.height), bits.data(), &bi,
                             DIB_RGB_COLORS) != decoded.height) {
        return {};
    }
    return bitmap;
}

}  // namespace

win32::UniqueBitmap DecodePictureBySystem(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<LONG>::max())) return {};
    const win32::UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (!memory.get()) return {};
    void* data = GlobalLock(memory.get());
    if (!data) return {};
    std::memcpy(data, bytes.data(), bytes.size());
    GlobalUnlock(memory.get());

    // COM for the calling thread while a picture loads (the JPEG decoder is
    // a COM object); balanced only when this call initialised it.
    const win32::ComScope com;
    win32::ComPtr<IStream> stream;
    // The stream does not own the memory: its owner frees it, after the
    // stream and the picture are released.
    if (FAILED(win32::ole::CreateStreamOnHGlobal(memory.get(), FALSE, stream.Out()))) return {};
    win32::ComPtr<IPicture> picture;
    if (FAILED(win32::ole::OleLoadPicture(stream.Get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                              picture.OutVoid()))) {
        return {};
    }
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle))) {
        return {};
    }
    // The picture owns its bitmap; keep a copy of our own, so that nothing
    // of the loader outlives this call. The handle is a 32-bit value,
    // sign-extended as every GDI handle is.
    const HANDLE bitmap = LongToHandle(static_cast<LONG>(handle));
    return win32::UniqueBitmap(static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)));
}

win32::UniqueBitmap DecodePicture(const std::vector<std::uint8_t>& bytes) {
    // BMP and sequential JPEG, the formats of the window's pictures, are
    // decoded here: no COM, no system codec, nothing loaded at start-up.
    try {
        if (auto decoded = persist::DecodePicturePixels(bytes)) {
            const bool jpeg = persist::InspectPicture(bytes).format == persist::StdPicture::Format::Jpeg;
            return BitmapOfPixels(*decoded, jpeg ? 0xFF000000u : 0u);
        }
    } catch (const persist::FormatError&) {
        return {};  // malformed: no picture, as the system's loader would give none
    }
    return DecodePictureBySystem(bytes);
}

HBITMAP PictureCache::BitmapOf(const persist::StdPicture& picture) {
    if (!loaded_ || bytes_ != picture.bytes) {
        bitmap_ = DecodePicture(picture.bytes);
        bytes_ = picture.bytes;
        loaded_ = true;
    }
    return bitmap_.get();
}

}  // namespace kavrel::gdi
