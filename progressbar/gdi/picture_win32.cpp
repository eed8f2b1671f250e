#include "progressbar/gdi/picture_win32.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstring>
#include <limits>
#include <utility>

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

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_) p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    T** Put() { return &p_; }

private:
    T* p_ = nullptr;
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

GdiObject<HBITMAP> DecodePicture(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<LONG>::max())) return {};
    GlobalMemory memory(bytes.size());
    if (!memory.Get()) return {};
    void* data = GlobalLock(memory.Get());
    if (!data) return {};
    std::memcpy(data, bytes.data(), bytes.size());
    GlobalUnlock(memory.Get());

    ScopedCom com;
    ComPtr<IStream> stream;
    // The stream does not own the memory: GlobalMemory frees it, after the
    // stream and the picture are released.
    if (FAILED(CreateStreamOnHGlobal(memory.Get(), FALSE, stream.Put()))) return {};
    ComPtr<IPicture> picture;
    if (FAILED(OleLoadPicture(stream.Get(), static_cast<LONG>(bytes.size()), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture.Put())))) {
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
    return GdiObject<HBITMAP>(static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)));
}

HBITMAP PictureCache::BitmapOf(const StdPicture& picture) {
    if (!loaded_ || bytes_ != picture.bytes) {
        bitmap_ = DecodePicture(picture.bytes);
        bytes_ = picture.bytes;
        loaded_ = true;
    }
    return bitmap_.Get();
}

}  // namespace kavrel::progressbar::win32
