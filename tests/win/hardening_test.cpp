// The programs' protection against planted DLLs, and the route by which the
// web-site command opens an address, in-process under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "win32/library.h"
#include "app/open_address_win32.h"

namespace {

// Paths of the build, as Wine sees them (Unix paths on drive Z:).
const std::wstring kPlantedDll = L"Z:" KAVREL_PLANTED_DLL;

std::wstring Lower(std::wstring s) {
    CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    return Lower(std::wstring(folder, n));
}

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(module, path, MAX_PATH);
    return Lower(std::wstring(path, n));
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A folder of its own holding a copy of the planted DLL as NAME, made the
// current folder for the test's life.
class PlantedFolder {
public:
    explicit PlantedFolder(const wchar_t* name) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"kavrel-planted-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        dll_ = folder_ + L"\\" + name;
        copied_ = CopyFileW(kPlantedDll.c_str(), dll_.c_str(), FALSE) != 0;
        GetCurrentDirectoryW(MAX_PATH, previous_);
        SetCurrentDirectoryW(folder_.c_str());
    }
    ~PlantedFolder() {
        SetCurrentDirectoryW(previous_);
        DeleteFileW(Marker().c_str());
        DeleteFileW(dll_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    bool Copied() const { return copied_; }
    const std::wstring& Dll() const { return dll_; }
    // Left by the planted DLL when it is loaded.
    std::wstring Marker() const { return dll_ + L".loaded"; }

private:
    std::wstring folder_, dll_;
    wchar_t previous_[MAX_PATH] = L"";
    bool copied_ = false;
};

TEST(DllSearch, CurrentFolderIsSearchedOnlyUntilTheSearchIsRestricted) {
    PlantedFolder planted(L"kavrel_planted.dll");
    ASSERT_TRUE(planted.Copied());

    // The control: without the restriction, the loader finds the planted
    // DLL in the current folder.
    HMODULE before = LoadLibraryW(L"kavrel_planted.dll");
    ASSERT_NE(before, nullptr) << "the planted DLL is not found even without the restriction";
    EXPECT_TRUE(Exists(planted.Marker()));
    FreeLibrary(before);
    DeleteFileW(planted.Marker().c_str());

    ASSERT_EQ(kavrel::win32::RestrictDllSearch(), kavrel::win32::DllSearch::SystemFolderOnly);
    EXPECT_EQ(LoadLibraryW(L"kavrel_planted.dll"), nullptr);
    EXPECT_FALSE(Exists(planted.Marker())) << "the planted DLL ran after the restriction";

    // System DLLs still load, from the system folder.
    HMODULE msimg = LoadLibraryW(L"msimg32.dll");
    ASSERT_NE(msimg, nullptr);
    EXPECT_EQ(ModulePath(msimg).rfind(SystemFolder() + L"\\", 0), 0u) << ModulePath(msimg);
    FreeLibrary(msimg);
}

TEST(SystemLibrary, ComesFromTheSystemFolderOnly) {
    PlantedFolder planted(L"kavrel_planted.dll");
    ASSERT_TRUE(planted.Copied());

    EXPECT_FALSE(kavrel::win32::LoadSystemLibrary(L"kavrel_planted.dll"));
    EXPECT_FALSE(kavrel::win32::LoadSystemLibrary(planted.Dll().c_str())) << "a path is not a system library";
    EXPECT_FALSE(kavrel::win32::LoadSystemLibrary(L".\\kavrel_planted.dll"));
    EXPECT_FALSE(kavrel::win32::LoadSystemLibrary(L""));
    EXPECT_FALSE(Exists(planted.Marker())) << "the planted DLL ran";

    kavrel::win32::UniqueModule oleacc = kavrel::win32::LoadSystemLibrary(L"oleacc.dll");
    ASSERT_TRUE(oleacc);
    EXPECT_EQ(ModulePath(oleacc.get()), SystemFolder() + L"\\oleacc.dll");
    EXPECT_NE(GetProcAddress(oleacc.get(), "AccessibleObjectFromWindow"), nullptr);

    // Ownership moves; the module stays loaded while one owner holds it.
    kavrel::win32::UniqueModule moved = std::move(oleacc);
    EXPECT_FALSE(oleacc);
    ASSERT_TRUE(moved);
    EXPECT_NE(GetModuleHandleW(L"oleacc.dll"), nullptr);
}

// Puts a folder in the DLL search before the system folder, as the
// program's own folder is, for the owner's life.
class SearchedFirst {
public:
    explicit SearchedFirst(const std::wstring& folder) { set_ = SetDllDirectoryW(folder.c_str()) != 0; }
    ~SearchedFirst() { SetDllDirectoryW(nullptr); }
    SearchedFirst(const SearchedFirst&) = delete;
    SearchedFirst& operator=(const SearchedFirst&) = delete;
    bool Set() const { return set_; }

private:
    bool set_ = false;
};

// What gdi32 does the first time it draws a gradient or a blend: a load of
// msimg32.dll by bare name, whose search (under Wine, even after the
// restriction) looks in the program's folder before the system's. The test
// runs with msimg32 and kavrel_planted preferred native (NAME=n,b), as a
// planted copy would be taken.
TEST(PreloadSystemLibraries, ALoadByNameThenFindsTheSystemFoldersCopy) {
    PlantedFolder planted(L"msimg32.dll");
    ASSERT_TRUE(planted.Copied());
    ASSERT_EQ(GetModuleHandleW(L"msimg32.dll"), nullptr) << "msimg32 was in the process before the test";
    const std::wstring dll = planted.Dll();
    SearchedFirst first(dll.substr(0, dll.rfind(L'\\')));
    ASSERT_TRUE(first.Set());

    // The control: before the preload, the current folder's copy is the
    // one taken.
    HMODULE taken = LoadLibraryW(L"msimg32.dll");
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(ModulePath(taken), Lower(planted.Dll()));
    EXPECT_TRUE(Exists(planted.Marker())) << "the planted msimg32.dll did not run";
    FreeLibrary(taken);
    ASSERT_EQ(GetModuleHandleW(L"msimg32.dll"), nullptr);
    DeleteFileW(planted.Marker().c_str());

    kavrel::win32::PreloadSystemLibraries();
    const HMODULE preloaded = GetModuleHandleW(L"msimg32.dll");
    ASSERT_NE(preloaded, nullptr) << "msimg32 is not in the process after the preload";
    EXPECT_EQ(ModulePath(preloaded), SystemFolder() + L"\\msimg32.dll");
    HMODULE byName = LoadLibraryW(L"msimg32.dll");
    EXPECT_EQ(byName, preloaded);
    EXPECT_FALSE(Exists(planted.Marker())) << "the planted msimg32.dll ran after the preload";
    // Kept for the whole run: freeing every reference taken here leaves it.
    FreeLibrary(byName);
    FreeLibrary(preloaded);
    EXPECT_EQ(GetModuleHandleW(L"msimg32.dll"), preloaded);
}

TEST(SystemFunction, ComesFromTheSystemFolderAndStaysLoaded) {
    PlantedFolder planted(L"kavrel_planted.dll");
    ASSERT_TRUE(planted.Copied());
    using GetKnownFolderPathFn = HRESULT(WINAPI*)(REFGUID, DWORD, HANDLE, PWSTR*);
    const auto get = kavrel::win32::SystemFunction<GetKnownFolderPathFn>(L"shell32.dll", "SHGetKnownFolderPath");
    ASSERT_NE(get, nullptr);
    HMODULE holder = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<const wchar_t*>(reinterpret_cast<void*>(get)), &holder));
    EXPECT_EQ(ModulePath(holder), SystemFolder() + L"\\shell32.dll");
    // Nothing of ours holds shell32 now: it stays because it is kept.
    EXPECT_EQ(GetModuleHandleW(L"shell32.dll"), holder);
    FreeLibrary(holder);
    EXPECT_EQ(GetModuleHandleW(L"shell32.dll"), holder);

    EXPECT_EQ(kavrel::win32::SystemFunction<FARPROC>(L"shell32.dll", "NoSuchFunction"), nullptr);
    EXPECT_EQ(kavrel::win32::SystemFunction<FARPROC>(L"kavrel_planted.dll", "DllMain"), nullptr);
    EXPECT_EQ(kavrel::win32::SystemFunction<FARPROC>(planted.Dll().c_str(), "DllMain"), nullptr);
    EXPECT_FALSE(Exists(planted.Marker())) << "the planted DLL ran";
}

// ---- The route of an address -------------------------------------------

struct Recorder {
    std::vector<std::string> desktop, own;
    kavrel::app::AddressOpeners Openers(bool desktopAnswers) {
        return {[this, desktopAnswers](const std::string& a) {
                    desktop.push_back(a);
                    return desktopAnswers;
                },
                [this](const std::string& a) { own.push_back(a); }};
    }
};

TEST(OpenAddress, TheDesktopShellOpensItWhenItAnswers) {
    Recorder r;
    EXPECT_EQ(kavrel::app::OpenAddress("https://www.kavrel.example/", r.Openers(true)),
              kavrel::app::AddressRoute::DesktopShell);
    EXPECT_EQ(r.desktop, std::vector<std::string>{"https://www.kavrel.example/"});
    EXPECT_TRUE(r.own.empty()) << "the elevated process opened it as well";
}

TEST(OpenAddress, OwnShellOnlyWhenTheDesktopRouteFails) {
    Recorder refused;
    EXPECT_EQ(kavrel::app::OpenAddress("https://www.kavrel.example/", refused.Openers(false)),
              kavrel::app::AddressRoute::OwnShell);
    EXPECT_EQ(refused.desktop.size(), 1u);
    EXPECT_EQ(refused.own, std::vector<std::string>{"https://www.kavrel.example/"});

    std::vector<std::string> own;
    kavrel::app::AddressOpeners throwing{[](const std::string&) -> bool { throw std::runtime_error("COM"); },
                                         [&](const std::string& a) { own.push_back(a); }};
    EXPECT_EQ(kavrel::app::OpenAddress("x", throwing), kavrel::app::AddressRoute::OwnShell);
    EXPECT_EQ(own, std::vector<std::string>{"x"});

    own.clear();
    kavrel::app::AddressOpeners noDesktop{{}, [&](const std::string& a) { own.push_back(a); }};
    EXPECT_EQ(kavrel::app::OpenAddress("y", noDesktop), kavrel::app::AddressRoute::OwnShell);
    EXPECT_EQ(own, std::vector<std::string>{"y"});
}

TEST(OpenAddress, FailuresStaySilent) {
    kavrel::app::AddressOpeners bothFail{[](const std::string&) -> bool { throw std::bad_alloc(); },
                                         [](const std::string&) { throw std::runtime_error("no browser"); }};
    EXPECT_NO_THROW(kavrel::app::OpenAddress("z", bothFail));
    EXPECT_NO_THROW(kavrel::app::OpenAddress("z", kavrel::app::AddressOpeners{}));
}

TEST(OpenAddress, TheSystemOpenersAreBothThere) {
    const kavrel::app::AddressOpeners system = kavrel::app::SystemAddressOpeners();
    EXPECT_TRUE(system.desktopShell);
    EXPECT_TRUE(system.ownShell);
}

}  // namespace
