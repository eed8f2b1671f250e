#include "progressbar/picture_win32.h"

#include <cstring>
#include <limits>

namespace kavrel::progressbar::win32 {

namespace {

// COM for the calling thread while a picture loads (the JPEG decoder is a
// COM object); balanced only when this call initialised it.
class ScopedCom {
public:
    ScopedCom() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ScopedCom() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ScopedCom(const ScopedCom&) = delete;
    ScopedCom& operator=(const ScopedCom&) = delete;

private:
    HRESULT hr_;
};

class GlobalMemory {
public:
    explicit GlobalMemory(SIZE_T size) : handle_(GlobalAlloc(GMEM_MOVEABLE, size)) {}
    ~GlobalMemory() {
        if (handle_) GlobalFree(handle_);
    }
    GlobalMemory(const GlobalMemory&) = delete;
    GlobalMemory& operator=(const GlobalMemory&) = delete;
    HGLOBAL Get() const { return handle_; }

private:
    HGLOBAL handle_;
};

}  // namespace

ComPtr<IPicture> LoadPicture(const std::vector<std::uint8_t>& bytes) {
    ComPtr<IPicture> picture;
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<LONG>::max())) return picture;
    GlobalMemory memory(bytes.size());
    if (!memory.Get()) return picture;
    void* data = GlobalLock(memory.Get());
    if (!data) return picture;
    std::memcpy(data, bytes.data(), bytes.size());
    GlobalUnlock(memory.Get());

    ScopedCom com;
    ComPtr<IStream> stream;
    // The stream does not own the memory: GlobalMemory frees it.
    if (FAILED(CreateStreamOnHGlobal(memory.Get(), FALSE, stream.Put()))) return picture;
    if (FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.Put())))) {
        picture.Reset();
    }
    return picture;
}

HBITMAP BitmapOf(IPicture* picture) {
    if (!picture) return nullptr;
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED(picture->get_Handle(&handle))) {
        return nullptr;
    }
    // A 32-bit handle value, sign-extended as every GDI handle is.
    return static_cast<HBITMAP>(LongToHandle(static_cast<LONG>(handle)));
}

HBITMAP PictureCache::BitmapOf(const StdPicture& picture) {
    if (!loaded_ || bytes_ != picture.bytes) {
        picture_ = LoadPicture(picture.bytes);
        bytes_ = picture.bytes;
        loaded_ = true;
    }
    return win32::BitmapOf(picture_.Get());
}

}  // namespace kavrel::progressbar::win32
