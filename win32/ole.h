// The COM and OLE Automation functions the programs call, looked up in
// ole32.dll and oleaut32.dll at their first call (from the system folder,
// through the hardened loader) instead of being imported: imported, both
// DLLs and the rpcrt4 and combase they bring are loaded and started before a
// program's first statement, although a window's start needs none of them.
// Each call behaves as the system's function; where a DLL or a function is
// missing, it fails as that function reports failure (E_FAIL, a null BSTR)
// and a release does nothing.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

namespace kavrel::win32::ole {

HRESULT CoInitializeEx(void* reserved, DWORD flags) noexcept;
void CoUninitialize() noexcept;
void CoTaskMemFree(void* memory) noexcept;
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out) noexcept;
HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, IStream** out) noexcept;
HRESULT OleLoadPicture(IStream* stream, LONG size, BOOL runMode, REFIID iid, void** out) noexcept;
BSTR SysAllocStringLen(const OLECHAR* text, UINT length) noexcept;
void SysFreeString(BSTR text) noexcept;
void VariantInit(VARIANTARG* v) noexcept;
HRESULT VariantClear(VARIANTARG* v) noexcept;

}  // namespace kavrel::win32::ole
