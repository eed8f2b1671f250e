// Drawing resources of the window host: DPI and twips, fonts made from the
// stored font objects, pictures decoded from their stored image files, and
// text conversion for the wide Win32 functions.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "app/form/form_model.h"
#include "win32/handle.h"
#include "win32/text.h"
#include "persist/std_objects.h"

namespace kavrel::app {

// The DPI a window is shown at (96 when the system cannot tell per window).
UINT DpiOfWindow(HWND hwnd);
int TwipsToPixels(int twips, UINT dpi);
RECT ToPixels(const TwipsRect& twips, UINT dpi);

// A GDI font for the font object at a DPI.
win32::UniqueFont CreateFontFor(const persist::StdFont& font, UINT dpi);

// A picture decoded into a bitmap: the stored picture, or at a DPI above 96
// the image made for that scale.
class DecodedPicture {
public:
    // The stored picture at its natural size; nullptr when the bytes cannot
    // be decoded.
    static std::unique_ptr<DecodedPicture> Decode(const persist::StdPicture& picture);
    // The image to draw the stored picture from at `dpi`: the one made for
    // the DPI's scale among the module's resources, else the stored picture.
    static std::unique_ptr<DecodedPicture> ForDpi(const persist::StdPicture& picture, UINT dpi, HMODULE module);
    HBITMAP Bitmap() const { return bitmap_.get(); }
    // The stored picture's size (96 DPI), which the layout scales.
    SIZE Size() const { return size_; }
    // The bitmap's own size: larger than Size() for an image made for a scale.
    SIZE Pixels() const { return pixels_; }
    // Made for a scale: drawn smaller than it is, it is shrunk smoothly.
    bool Scaled() const { return scaled_; }

private:
    win32::UniqueBitmap bitmap_;
    SIZE size_{};
    SIZE pixels_{};
    bool scaled_ = false;
};

// Draws the picture into dst's rectangle, stretched to it, with every pixel
// of the key colour left transparent.
void DrawTransparent(HDC dst, const RECT& rc, const DecodedPicture& picture, COLORREF key);
// Draws the picture stretched into the rectangle.
void DrawOpaque(HDC dst, const RECT& rc, const DecodedPicture& picture);

// An icon of the requested size from an .ico file's bytes.
win32::UniqueIcon IconFromIcoFile(const std::vector<std::uint8_t>& ico, int size);

}  // namespace kavrel::app
