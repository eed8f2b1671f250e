// Exact reads and writes on Wine's real registry: every type a value can
// hold comes back through ReadValue as RegSetValueExW stored it, WriteExact
// puts it back byte for byte, and neither ever makes a key.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/utf.h"
#include "optimiser/optimisation_run.h"
#include "registry/advapi32_backend_win32.h"
#include "registry/memory_registry.h"

using namespace kavrel;
using namespace kavrel::registry;
using kavrel::base::Utf16LeBytes;

namespace {

constexpr const char* kScratch = R"(Software\KavrelLinkTune-tests\exact)";
constexpr const wchar_t* kScratchW = LR"(Software\KavrelLinkTune-tests\exact)";

class ExactOnWine : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratchW);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratchW, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, LR"(Software\KavrelLinkTune-tests)"); }

    // Stores a value with the wide API directly, as another program would.
    void Seed(const wchar_t* name, DWORD type, const std::vector<std::uint8_t>& data) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kScratchW, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        static const BYTE none = 0;
        ASSERT_EQ(RegSetValueExW(key, name, 0, type, data.empty() ? &none : data.data(),
                                 static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    Advapi32Backend backend;
};

TEST_F(ExactOnWine, EveryStoredTypeReadsBackAsStoredAndWritesBackExactly) {
    std::vector<std::uint8_t> large(100000);
    for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 7);
    const std::vector<RawValue> values = {
        {kTypeSz, Utf16LeBytes(std::u16string_view(u"R\u00e9seau local\0", 13))},
        {kTypeExpandSz, Utf16LeBytes(std::u16string_view(u"%SystemRoot%\\system32\0", 22))},
        {kTypeMultiSz, Utf16LeBytes(std::u16string_view(u"un\0deux\0\0", 9))},
        {kTypeBinary, {0x00, 0xFF, 0x10}},
        {kTypeBinary, {}},
        {kTypeBinary, large},  // longer than a first read's buffer
        {kTypeDword, {0x80, 0x01, 0x00, 0x00}},
        {kTypeDword, {1, 2}},
        {kTypeQword, {8, 7, 6, 5, 4, 3, 2, 1}},
        {kTypeNone, {0xAB}},
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::wstring seeded = L"Seeded" + std::to_wstring(i);
        Seed(seeded.c_str(), values[i].type, values[i].data);
        const ValueRead read = ReadValue(backend, kHkeyCurrentUser, kScratch, "Seeded" + std::to_string(i));
        EXPECT_EQ(read.state, ReadState::Present) << i;
        EXPECT_EQ(read.value, values[i]) << i;

        const std::string written = "Written" + std::to_string(i);
        EXPECT_EQ(WriteExact(backend, kHkeyCurrentUser, kScratch, written, values[i]).state, WriteState::Done) << i;
        EXPECT_EQ(ReadValue(backend, kHkeyCurrentUser, kScratch, written).value, values[i]) << i;
    }
}

TEST_F(ExactOnWine, AbsentValuesAndKeysAreToldApartAndNoKeyIsMade) {
    EXPECT_EQ(ReadValue(backend, kHkeyCurrentUser, kScratch, "Nothing").state, ReadState::ValueAbsent);
    const std::string missing = std::string(kScratch) + R"(\Missing)";
    EXPECT_EQ(ReadValue(backend, kHkeyCurrentUser, missing, "Nothing").state, ReadState::KeyAbsent);
    EXPECT_EQ(WriteExact(backend, kHkeyCurrentUser, missing, "v", RawValue{kTypeDword, {1, 0, 0, 0}}).state,
              WriteState::KeyAbsent);
    EXPECT_EQ(WriteExact(backend, kHkeyCurrentUser, missing, "v", std::nullopt).state, WriteState::KeyAbsent);
    EXPECT_FALSE(KeyExists(kHkeyCurrentUser, missing));

    Seed(L"Here", REG_DWORD, {1, 0, 0, 0});
    EXPECT_EQ(WriteExact(backend, kHkeyCurrentUser, kScratch, "HERE", std::nullopt).state, WriteState::Done);
    EXPECT_EQ(ReadValue(backend, kHkeyCurrentUser, kScratch, "Here").state, ReadState::ValueAbsent);
    EXPECT_EQ(WriteExact(backend, kHkeyCurrentUser, kScratch, "Here", std::nullopt).state, WriteState::Done);
}

TEST_F(ExactOnWine, TheRunStoresWhatTheInMemoryRegistryModels) {
    // Every value a run writes, read back with the wide API, is what the
    // in-memory registry holds after the same run: texts in UTF-16 with
    // their NUL, numbers as four bytes.
    struct Options : optimiser::WindowControls {
        std::int32_t GetProperty(std::string_view c, std::string_view) override {
            return c == "Modem1" || c == "r56" ? optimiser::kTrue : optimiser::kFalse;
        }
        void SetProperty(std::string_view, std::string_view, std::int32_t) override {}
    } options;
    // The run writes under a scratch copy of each key: the same value names,
    // under one key of the test's own, so that nothing of the prefix changes.
    struct Redirect : Advapi32Backend {
        std::int32_t OpenKey(std::uint32_t, std::string_view, std::uint32_t access, KeyHandle& key) override {
            return Advapi32Backend::OpenKey(kHkeyCurrentUser, kScratch, access, key);
        }
    } redirected;
    MemoryRegistry memory(true);
    RegistryAccess onWine(redirected);
    RegistryAccess inMemory(memory);
    std::vector<const optimiser::TweakRow*> rows;
    optimiser::RunOptimisation(options, onWine, [&](const optimiser::TweakRow& row, const Data&) {
        rows.push_back(&row);
    });
    optimiser::RunOptimisation(options, inMemory);
    ASSERT_EQ(rows.size(), 49u);
    for (const auto* row : rows) {
        if (row->operation == optimiser::Operation::Delete) continue;
        const ValueRead real = ReadValue(backend, kHkeyCurrentUser, kScratch, row->valueName);
        const auto modelled = memory.GetStoredValue(row->root, row->keyPath, row->valueName);
        ASSERT_TRUE(modelled) << row->number;
        EXPECT_EQ(real.state, ReadState::Present) << row->number;
        // Several rows share a name under different keys; the one the scratch
        // key holds is the last of them.
        const auto last = std::find_if(rows.rbegin(), rows.rend(), [&](const optimiser::TweakRow* r) {
            return kavrel::base::FoldCase(r->valueName) == kavrel::base::FoldCase(row->valueName);
        });
        if (*last != row) continue;
        EXPECT_EQ(real.value.type, static_cast<std::uint32_t>(modelled->kind)) << row->number;
        EXPECT_EQ(real.value.data, modelled->data) << row->number;
    }
}

}  // namespace
