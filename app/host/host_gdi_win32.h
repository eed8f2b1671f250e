// Drawing resources of the window host: DPI and twips, fonts made from the
// stored font objects, pictures decoded from their stored image files, and
// text conversion for the wide Win32 functions.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/form/form_model.h"
#include "app/host/win32_handles.h"
#include "progressbar/persist/std_objects.h"

namespace kavrel::app {

std::wstring Widen(std::string_view utf8);

// The DPI a window is shown at (96 when the system cannot tell per window).
UINT DpiOfWindow(HWND hwnd);
int TwipsToPixels(int twips, UINT dpi);
RECT ToPixels(const TwipsRect& twips, UINT dpi);

// A GDI font for the font object at a DPI.
UniqueFont CreateFontFor(const progressbar::StdFont& font, UINT dpi);

// A picture decoded into a device-independent bitmap at its natural size.
class DecodedPicture {
public:
    // nullptr when the bytes cannot be decoded.
    static std::unique_ptr<DecodedPicture> Decode(const progressbar::StdPicture& picture);
    HBITMAP Bitmap() const { return bitmap_.get(); }
    SIZE Size() const { return size_; }

private:
    UniqueBitmap bitmap_;
    SIZE size_{};
};

// Pictures decoded on a thread of their own while the window is being made:
// the decoder's start (its DLLs and COM objects) then overlaps the creation
// of the first window instead of delaying the first paint. Take() waits for
// the batch once, then hands out each decoded picture; a picture the batch
// does not hold (or could not decode there) is decoded on the caller's
// thread.
class PictureBatch {
public:
    explicit PictureBatch(const std::vector<progressbar::StdPicture>& pictures);
    ~PictureBatch();
    PictureBatch(const PictureBatch&) = delete;
    PictureBatch& operator=(const PictureBatch&) = delete;

    std::unique_ptr<DecodedPicture> Take(const progressbar::StdPicture& picture);

private:
    void Wait();

    std::vector<std::vector<std::uint8_t>> bytes_;
    std::vector<std::unique_ptr<DecodedPicture>> decoded_;
    std::thread worker_;
};

// Draws the picture into dst's rectangle, stretched to it, with every pixel
// of the key colour left transparent.
void DrawTransparent(HDC dst, const RECT& rc, const DecodedPicture& picture, COLORREF key);
// Draws the picture stretched into the rectangle.
void DrawOpaque(HDC dst, const RECT& rc, const DecodedPicture& picture);

// An icon of the requested size from an .ico file's bytes.
UniqueIcon IconFromIcoFile(const std::vector<std::uint8_t>& ico, int size);

}  // namespace kavrel::app
