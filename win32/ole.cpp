#include "win32/ole.h"

#include <olectl.h>

#include "win32/library.h"

namespace kavrel::win32::ole {

namespace {

// The system's function of that name, looked up once.
template <typename Fn>
Fn Ole32(const char* name) noexcept {
    return SystemFunction<Fn>(L"ole32.dll", name);
}
template <typename Fn>
Fn OleAut32(const char* name) noexcept {
    return SystemFunction<Fn>(L"oleaut32.dll", name);
}

}  // namespace

HRESULT CoInitializeEx(void* reserved, DWORD flags) noexcept {
    static const auto fn = Ole32<decltype(&::CoInitializeEx)>("CoInitializeEx");
    return fn ? fn(reserved, flags) : E_FAIL;
}

void CoUninitialize() noexcept {
    static const auto fn = Ole32<decltype(&::CoUninitialize)>("CoUninitialize");
    if (fn) fn();
}

void CoTaskMemFree(void* memory) noexcept {
    if (!memory) return;
    static const auto fn = Ole32<decltype(&::CoTaskMemFree)>("CoTaskMemFree");
    if (fn) fn(memory);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out) noexcept {
    static const auto fn = Ole32<decltype(&::CoCreateInstance)>("CoCreateInstance");
    if (!fn) {
        if (out) *out = nullptr;
        return E_FAIL;
    }
    return fn(clsid, outer, context, iid, out);
}

HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, IStream** out) noexcept {
    static const auto fn = Ole32<decltype(&::CreateStreamOnHGlobal)>("CreateStreamOnHGlobal");
    if (!fn) {
        if (out) *out = nullptr;
        return E_FAIL;
    }
    return fn(memory, deleteOnRelease, out);
}

HRESULT OleLoadPicture(IStream* stream, LONG size, BOOL runMode, REFIID iid, void** out) noexcept {
    static const auto fn = OleAut32<decltype(&::OleLoadPicture)>("OleLoadPicture");
    if (!fn) {
        if (out) *out = nullptr;
        return E_FAIL;
    }
    return fn(stream, size, runMode, iid, out);
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) noexcept {
    static const auto fn = OleAut32<decltype(&::SysAllocStringLen)>("SysAllocStringLen");
    return fn ? fn(text, length) : nullptr;
}

void SysFreeString(BSTR text) noexcept {
    if (!text) return;
    static const auto fn = OleAut32<decltype(&::SysFreeString)>("SysFreeString");
    if (fn) fn(text);
}

void VariantInit(VARIANTARG* v) noexcept {
    // All VariantInit does: the variant holds nothing, whatever was in it.
    if (v) v->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANTARG* v) noexcept {
    if (!v) return E_INVALIDARG;
    if (v->vt == VT_EMPTY) return S_OK;
    static const auto fn = OleAut32<decltype(&::VariantClear)>("VariantClear");
    return fn ? fn(v) : E_FAIL;
}

}  // namespace kavrel::win32::ole
