// COM on this thread and the owners of what COM hands out: interface
// pointers, BSTRs and VARIANTs, each released when its owner goes.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <utility>

#include "win32/ole.h"

namespace kavrel::win32 {

// One COM interface pointer, released when the owner goes.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already holds.
    explicit ComPtr(T* p) : p_(p) {}
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            Reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For functions that hand out a new reference.
    T** Out() {
        Reset();
        return &p_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    template <typename U>
    HRESULT As(ComPtr<U>& other) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(__uuidof(U), other.OutVoid());
    }
    void Reset() {
        if (p_) std::exchange(p_, nullptr)->Release();
    }

private:
    T* p_ = nullptr;
};

// COM on this thread for the owner's life: balanced when this call
// initialised it, left alone when the thread already runs in another
// apartment (which is still usable for the caller's objects).
class ComScope {
public:
    explicit ComScope(DWORD flags = COINIT_APARTMENTTHREADED) : hr_(ole::CoInitializeEx(nullptr, flags)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) ole::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

// COM on the calling thread from the first call on, for what needs it only
// once it happens (a client of the accessible objects, the desktop's shell),
// so that a program's start does not pay for it. A single-threaded
// apartment, kept until the thread ends: the objects handed out to clients
// may be called at any time after. False when the thread cannot have COM.
inline bool ComOnThisThread() {
    thread_local const HRESULT hr = ole::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
}

// A BSTR freed when the owner goes.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& text)
        : s_(ole::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { ole::SysFreeString(s_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return s_; }
    // For functions that hand out a new string.
    BSTR* Out() {
        ole::SysFreeString(std::exchange(s_, nullptr));
        return &s_;
    }

private:
    BSTR s_ = nullptr;
};

// A VARIANT cleared when the owner goes.
class Variant {
public:
    Variant() { ole::VariantInit(&v_); }
    explicit Variant(long number) : Variant() {
        v_.vt = VT_I4;
        v_.lVal = number;
    }
    explicit Variant(const std::wstring& text) : Variant() {
        v_.bstrVal = ole::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (v_.bstrVal) v_.vt = VT_BSTR;
    }
    ~Variant() { ole::VariantClear(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* Get() { return &v_; }
    VARIANT& operator*() { return v_; }
    bool Holds(VARTYPE type) const { return v_.vt == type; }

private:
    VARIANT v_;
};

}  // namespace kavrel::win32
