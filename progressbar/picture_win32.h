// Bitmaps of the shared picture objects, decoded by the system's picture
// loader (BMP and JPEG files).
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "progressbar/std_objects.h"

namespace kavrel::progressbar::win32 {

// Holds one COM interface pointer and releases it.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = std::exchange(other.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    T** Put() {
        Reset();
        return &p_;
    }
    explicit operator bool() const { return p_ != nullptr; }
    void Reset() {
        if (p_) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// The decoded picture of a file's bytes, or an empty pointer when the bytes
// are not a picture the system can load. The bitmap belongs to the picture.
ComPtr<IPicture> LoadPicture(const std::vector<std::uint8_t>& bytes);

// The bitmap handle of a loaded picture; nullptr when it is not a bitmap
// (an icon or a metafile).
HBITMAP BitmapOf(IPicture* picture);

// The last picture decoded, kept while the bytes asked for stay the same,
// so that a redraw does not decode the file again.
class PictureCache {
public:
    HBITMAP BitmapOf(const StdPicture& picture);

private:
    bool loaded_ = false;
    std::vector<std::uint8_t> bytes_;
    ComPtr<IPicture> picture_;
};

}  // namespace kavrel::progressbar::win32
