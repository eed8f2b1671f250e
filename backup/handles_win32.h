// Owners for the Win32 handles and allocations of the backup's Windows side,
// in the manner of the window host's: released when the scope ends.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace kavrel::backup {

template <typename Handle, typename Traits>
class Owned {
public:
    Owned() = default;
    explicit Owned(Handle h) : h_(Traits::IsValid(h) ? h : Handle{}) {}
    ~Owned() { reset(); }
    Owned(Owned&& o) noexcept : h_(std::exchange(o.h_, Handle{})) {}
    Owned& operator=(Owned&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, Handle{}));
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Handle{}; }
    void reset(Handle h = Handle{}) {
        if (h_ != Handle{}) Traits::Close(h_);
        h_ = Traits::IsValid(h) ? h : Handle{};
    }

private:
    Handle h_{};
};

// Files and folders: CreateFileW fails with INVALID_HANDLE_VALUE, not null.
struct FileTraits {
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
// Tokens and other kernel objects that fail with null.
struct KernelTraits {
    static bool IsValid(HANDLE h) { return h != nullptr; }
    static void Close(HANDLE h) { CloseHandle(h); }
};
// What the security functions allocate with LocalAlloc.
struct LocalTraits {
    static bool IsValid(void* p) { return p != nullptr; }
    static void Close(void* p) { LocalFree(p); }
};
// What the shell allocates with CoTaskMemAlloc.
struct TaskMemTraits {
    static bool IsValid(wchar_t* p) { return p != nullptr; }
    static void Close(wchar_t* p) { CoTaskMemFree(p); }
};

using OwnedFile = Owned<HANDLE, FileTraits>;
using OwnedKernelHandle = Owned<HANDLE, KernelTraits>;
using OwnedLocal = Owned<void*, LocalTraits>;
using OwnedTaskString = Owned<wchar_t*, TaskMemTraits>;

}  // namespace kavrel::backup
