// The registry layer on the in-memory registry: conversions, the one
// open-change-close per call, and what a missing or refused key does.
#include <gtest/gtest.h>

#include "registry/memory_registry.h"
#include "registry/registry.h"

using namespace kavrel::registry;
using Op = MemoryRegistry::Call::Op;

namespace {

constexpr const char* kKey = R"(System\CurrentControlSet\Services\VxD\MTRR)";

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

class RegistryLayer : public ::testing::Test {
protected:
    void SetUp() override { reg.CreateKey(kHkeyLocalMachine, kKey); }
    std::optional<MemoryRegistry::Value> Get(std::string_view name) const {
        return reg.GetValue(kHkeyLocalMachine, kKey, name);
    }
    MemoryRegistry reg;
    RegistryAccess layer{reg};
};

TEST_F(RegistryLayer, StringValuesCarryTheirTextAndTerminatingNul) {
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Int", 5840, kRegSz);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Text", std::string("*mtrr"), kRegSz);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Zeros", std::string("00"), kRegSz);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Negative", -42, kRegSz);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Flag", true, kRegSz);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Off", false, kRegSz);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Unset", Empty{}, kRegSz);

    EXPECT_EQ(Get("Int"), (MemoryRegistry::Value{kRegSz, Bytes(std::string_view("5840\0", 5))}));
    EXPECT_EQ(Get("Text")->data, Bytes(std::string_view("*mtrr\0", 6)));
    EXPECT_EQ(Get("Zeros")->data, Bytes(std::string_view("00\0", 3)));
    EXPECT_EQ(Get("Negative")->data, Bytes(std::string_view("-42\0", 4)));
    // The Boolean's word does not depend on the user's language.
    EXPECT_EQ(Get("Flag")->data, Bytes(std::string_view("True\0", 5)));
    EXPECT_EQ(Get("Off")->data, Bytes(std::string_view("False\0", 6)));
    EXPECT_EQ(Get("Unset")->data, Bytes(std::string_view("\0", 1)));
}

TEST_F(RegistryLayer, DwordValuesAreLittleEndianAndTextsReadAsDecimal) {
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Window", 24576, kRegDword);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Size", std::string("00000180"), kRegDword);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Start", std::string("00"), kRegDword);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "One", std::string("00000001"), kRegDword);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Minus", -2, kRegDword);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Yes", true, kRegDword);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Unset", Empty{}, kRegDword);

    EXPECT_EQ(Get("Window"), (MemoryRegistry::Value{kRegDword, {0x00, 0x60, 0x00, 0x00}}));
    EXPECT_EQ(Get("Size")->data, (std::vector<std::uint8_t>{0xB4, 0, 0, 0}));  // 180, not 0x180
    EXPECT_EQ(Get("Start")->data, (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(Get("One")->data, (std::vector<std::uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(Get("Minus")->data, (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Get("Yes")->data, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Get("Unset")->data, (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST_F(RegistryLayer, TextThatIsNoDecimalNumberOpensNothingAndWritesNothing) {
    for (const char* bad : {"0x180", "12a", "", "-", "1.5", "4294967296", "2147483648"}) {
        reg.ClearCalls();
        EXPECT_THROW(layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Bad", std::string(bad), kRegDword),
                     DataConversionError)
            << bad;
        EXPECT_TRUE(reg.Calls().empty()) << bad;
    }
    EXPECT_FALSE(Get("Bad"));
    EXPECT_EQ(DataToDword(std::string("-2147483648")), INT32_MIN);
    EXPECT_EQ(DataToDword(std::string("2147483647")), INT32_MAX);
}

TEST_F(RegistryLayer, EachSetOpensWithTheSixKeyRightsWritesOnceAndCloses) {
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Start", 0, kRegDword);
    const auto& calls = reg.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].op, Op::Open);
    EXPECT_EQ(calls[0].root, kHkeyLocalMachine);
    EXPECT_EQ(calls[0].path, kKey);
    EXPECT_EQ(calls[0].access, 0x3Fu);
    EXPECT_EQ(calls[1].op, Op::Set);
    EXPECT_EQ(calls[1].key, calls[0].key);
    EXPECT_EQ(calls[1].kind, kRegDword);
    EXPECT_EQ(calls[2].op, Op::Close);
    EXPECT_EQ(calls[2].key, calls[0].key);
    EXPECT_EQ(reg.OpenHandleCount(), 0u);

    reg.ClearCalls();
    layer.DeleteRegistryValue(kHkeyLocalMachine, kKey, "Start");
    ASSERT_EQ(reg.Calls().size(), 3u);
    EXPECT_EQ(reg.Calls()[0].access, 0x3Fu);
    EXPECT_EQ(reg.Calls()[1].op, Op::Delete);
    EXPECT_EQ(reg.Calls()[2].op, Op::Close);
    EXPECT_FALSE(Get("Start"));
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST_F(RegistryLayer, UnknownKindsWriteNothingAndReportSuccess) {
    for (std::int32_t kind : {0, 2, 3, 7, 11, -1}) {
        layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Other", 5, kind);
        KeyHandle key = 0;
        reg.OpenKey(kHkeyLocalMachine, kKey, kOpenAccess, key);
        EXPECT_EQ(layer.WriteValueData(key, "Other", kind, 5), 0) << kind;
        reg.CloseKey(key);
    }
    EXPECT_FALSE(Get("Other"));
    for (const auto& call : reg.Calls()) EXPECT_NE(call.op, Op::Set);
}

TEST_F(RegistryLayer, MissingKeyIsNeitherWrittenNorCreatedAndNoCallUsesANullHandle) {
    const std::string before = reg.Dump();
    const auto keys = reg.KeyCount();
    const char* missing = R"(system\Currentcontrolset\services\Services\Tcpip\Parameters)";
    layer.SetRegistryValue(kHkeyLocalMachine, missing, "SackOpts", 1, kRegSz);
    layer.DeleteRegistryValue(kHkeyLocalMachine, missing, "SackOpts");
    layer.SetRegistryValue(kHkeyCurrentUser, "Software", "X", 1, kRegDword);  // whole root absent
    EXPECT_EQ(reg.Dump(), before);
    EXPECT_EQ(reg.KeyCount(), keys);
    EXPECT_FALSE(reg.KeyExists(kHkeyLocalMachine, missing));
    ASSERT_EQ(reg.Calls().size(), 3u);
    for (const auto& call : reg.Calls()) {
        EXPECT_EQ(call.op, Op::Open);
        EXPECT_EQ(call.status, kErrorFileNotFound);
    }
}

TEST_F(RegistryLayer, RefusedOpenWritesNothingBelowTheRefusedKey) {
    reg.CreateKey(kHkeyLocalMachine, R"(System\CurrentControlSet\Services\VxD\NDIS)");
    reg.RefuseAccess(kHkeyLocalMachine, R"(System\CurrentControlSet\Services\VxD)");
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Start", 0, kRegDword);
    layer.SetRegistryValue(kHkeyLocalMachine, R"(System\CurrentControlSet\Services\VxD\NDIS)", "Start",
                           std::string("00"), kRegSz);
    layer.DeleteRegistryValue(kHkeyLocalMachine, kKey, "Start");
    EXPECT_EQ(reg.ValueCount(), 0u);
    ASSERT_EQ(reg.Calls().size(), 3u);
    for (const auto& call : reg.Calls()) EXPECT_EQ(call.status, kErrorAccessDenied);
}

TEST_F(RegistryLayer, NamesMatchWithoutCaseAndASetReplacesAnyEarlierKind) {
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "TcpWindowSize", 64240, kRegSz);
    layer.SetRegistryValue(kHkeyLocalMachine, R"(SYSTEM\currentcontrolset\SERVICES\vxd\mtrr)", "TCPWINDOWSIZE",
                           4096, kRegDword);
    EXPECT_EQ(reg.ValueCount(), 1u);
    EXPECT_EQ(Get("tcpwindowsize"), (MemoryRegistry::Value{kRegDword, {0x00, 0x10, 0, 0}}));
}

TEST_F(RegistryLayer, DeletingWhatIsNotThereChangesNothing) {
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Keep", 1, kRegDword);
    const std::string before = reg.Dump();
    layer.DeleteRegistryValue(kHkeyLocalMachine, kKey, "{D6277990-4C6A-11CF-8D87-00AA0060F5BF}");
    layer.DeleteRegistryValue(kHkeyLocalMachine, R"(Software\Nowhere)", "Keep");
    EXPECT_EQ(reg.Dump(), before);
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST(MemoryRegistryRules, HandlesAllowOnlyWhatTheyWereOpenedFor) {
    MemoryRegistry reg;
    reg.CreateKey(kHkeyCurrentUser, R"(Software\A)");
    KeyHandle readOnly = 0;
    ASSERT_EQ(reg.OpenKey(kHkeyCurrentUser, R"(software\a)", 0x1 /*query only*/, readOnly), kSuccess);
    EXPECT_EQ(reg.SetValue(readOnly, "v", kRegDword, {1, 0, 0, 0}), kErrorAccessDenied);
    EXPECT_EQ(reg.CloseKey(readOnly), kSuccess);
    EXPECT_EQ(reg.CloseKey(readOnly), kErrorInvalidHandle);
    EXPECT_EQ(reg.SetValue(0, "v", kRegDword, {1, 0, 0, 0}), kErrorInvalidHandle);

    KeyHandle untouched = 77;
    EXPECT_EQ(reg.OpenKey(kHkeyCurrentUser, R"(Software\B)", 0x3F, untouched), kErrorFileNotFound);
    EXPECT_EQ(untouched, 77u);  // a failed open leaves the handle alone
    EXPECT_NE(reg.OpenKey(kHkeyCurrentUser, R"(\Software\A)", 0x3F, untouched), kSuccess);
    EXPECT_NE(reg.OpenKey(kHkeyCurrentUser, R"(Software\\A)", 0x3F, untouched), kSuccess);
}

TEST(MemoryRegistryRules, KeysAlwaysExistModeCreatesOnOpen) {
    MemoryRegistry reg(true);
    RegistryAccess layer(reg);
    layer.SetRegistryValue(kHkeyLocalMachine, R"(A\B\C)", "v", 3, kRegSz);
    EXPECT_TRUE(reg.KeyExists(kHkeyLocalMachine, R"(a\b\c)"));
    EXPECT_EQ(reg.GetValue(kHkeyLocalMachine, R"(A\B\C)", "V")->data, Bytes(std::string_view("3\0", 2)));
}

}  // namespace
