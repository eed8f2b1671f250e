// The one owner of Win32 handles, under Wine: a handle the creating call
// reports as failed is never kept, an owner closes what it holds when it
// goes or is reset, a moved-from owner holds nothing, release hands the
// handle over still open; a selection is undone when its guard goes.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <utility>

#include "win32/handle.h"

using namespace kavrel::win32;

namespace {

bool IsOpen(HANDLE h) {
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != FALSE;
}

HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

TEST(UniqueOnWine, AHandleReportedAsFailedIsNeverKept) {
    // These calls fail with INVALID_HANDLE_VALUE, not null.
    EXPECT_FALSE(UniqueFile(CreateFileW(L"C:\\kavrel-no-such-folder\\file.txt", GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr)));
    WIN32_FIND_DATAW found{};
    EXPECT_FALSE(UniqueFind(FindFirstFileW(L"C:\\kavrel-no-such-folder\\*", &found)));
    EXPECT_FALSE(UniqueSnapshot(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(UniqueKernelHandle(nullptr));
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\kavrel-no-such-key", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_FALSE(UniqueKey(key));

    EXPECT_TRUE(UniqueSnapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)));
    EXPECT_TRUE(UniqueFind(FindFirstFileW(L"C:\\windows\\*", &found)));
}

TEST(UniqueOnWine, TheLastOwnerClosesTheHandleAndAMoveLeavesNothingBehind) {
    const HANDLE raw = NewEvent();
    ASSERT_TRUE(raw);
    {
        UniqueKernelHandle first(raw);
        UniqueKernelHandle second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.get(), raw);
        UniqueKernelHandle third;
        third = std::move(second);
        EXPECT_FALSE(second);
        EXPECT_EQ(third.get(), raw);
        EXPECT_TRUE(IsOpen(raw));
    }
    EXPECT_FALSE(IsOpen(raw));
}

TEST(UniqueOnWine, ResetClosesTheOldHandleAndReleaseHandsTheHandleOverOpen) {
    const HANDLE a = NewEvent();
    const HANDLE b = NewEvent();
    ASSERT_TRUE(a && b);
    UniqueKernelHandle owner(a);
    owner.reset(b);
    EXPECT_FALSE(IsOpen(a));
    EXPECT_EQ(owner.get(), b);
    const HANDLE handed = owner.release();
    EXPECT_FALSE(owner);
    EXPECT_EQ(handed, b);
    EXPECT_TRUE(IsOpen(handed));
    CloseHandle(handed);
}

TEST(SelectGuardOnWine, ThePreviousObjectGoesBackAndANullObjectSelectsNothing) {
    const UniqueDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_PEN);
    const UniquePen pen(CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
    ASSERT_TRUE(pen);
    {
        const SelectGuard guard(dc.get(), pen.get());
        EXPECT_TRUE(guard);
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_PEN), pen.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_PEN), before);
    {
        const SelectGuard none(dc.get(), nullptr);
        EXPECT_FALSE(none);
        EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_PEN), before);
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_PEN), before);
}

}  // namespace
