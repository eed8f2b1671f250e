// Exact reads and writes through the wide API on the in-memory registry:
// texts kept in UTF-16 whichever API wrote them, the four states of a read,
// and writes that give back type and bytes as they were, never creating a key.
#include <gtest/gtest.h>

#include "base/utf.h"
#include "registry/memory_registry.h"
#include "registry/registry.h"

using namespace kavrel::registry;
using Op = MemoryRegistry::Call::Op;
using kavrel::base::Utf16LeBytes;

namespace {

constexpr const char* kKey = R"(System\CurrentControlSet\Services\Tcpip\Parameters)";

class ExactAccess : public ::testing::Test {
protected:
    void SetUp() override { reg.CreateKey(kHkeyLocalMachine, kKey); }
    MemoryRegistry reg;
};

TEST_F(ExactAccess, TextsWrittenThroughTheCodePageAreKeptInUtf16) {
    RegistryAccess layer(reg);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Digits", 5840, kRegSz);
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Accent", std::string("Réseau"), kRegSz);

    const ValueRead digits = ReadValue(reg, kHkeyLocalMachine, kKey, "Digits");
    ASSERT_EQ(digits.state, ReadState::Present);
    EXPECT_EQ(digits.value, (RawValue{kTypeSz, Utf16LeBytes(std::u16string_view(u"5840\0", 5))}));
    EXPECT_EQ(ReadValue(reg, kHkeyLocalMachine, kKey, "Accent").value.data,
              Utf16LeBytes(std::u16string_view(u"R\u00e9seau\0", 7)));
    // The single-byte view converts back to the code page.
    EXPECT_EQ(reg.GetValue(kHkeyLocalMachine, kKey, "Accent")->data,
              (std::vector<std::uint8_t>{'R', 0xC3, 0xA9, 's', 'e', 'a', 'u', 0}));
    // Numbers are no texts: kept as given.
    layer.SetRegistryValue(kHkeyLocalMachine, kKey, "Window", 24576, kRegDword);
    EXPECT_EQ(ReadValue(reg, kHkeyLocalMachine, kKey, "Window").value, (RawValue{kTypeDword, {0x00, 0x60, 0, 0}}));
}

TEST_F(ExactAccess, AReadTellsPresentAbsentKeyAbsentAndRefusedApart) {
    reg.PutValue(kHkeyLocalMachine, kKey, "TcpWindowSize", {kRegDword, {0, 0x10, 0, 0}});
    reg.CreateKey(kHkeyLocalMachine, R"(Software\Locked)");
    reg.RefuseAccess(kHkeyLocalMachine, R"(Software\Locked)");

    const ValueRead present =
        ReadValue(reg, kHkeyLocalMachine, R"(SYSTEM\currentcontrolset\services\TCPIP\parameters)", "tcpwindowsize");
    EXPECT_EQ(present.state, ReadState::Present);
    EXPECT_EQ(present.value, (RawValue{kTypeDword, {0, 0x10, 0, 0}}));
    const ValueRead absent = ReadValue(reg, kHkeyLocalMachine, kKey, "DefaultTTL");
    EXPECT_EQ(absent.state, ReadState::ValueAbsent);
    EXPECT_EQ(absent.status, kErrorFileNotFound);
    EXPECT_TRUE(absent.value.data.empty());
    const ValueRead noKey = ReadValue(reg, kHkeyLocalMachine, R"(System\Nowhere)", "DefaultTTL");
    EXPECT_EQ(noKey.state, ReadState::KeyAbsent);
    EXPECT_EQ(ReadValue(reg, kHkeyLocalMachine, R"(Software\Locked\Below)", "x").state, ReadState::KeyAbsent);
    reg.CreateKey(kHkeyLocalMachine, R"(Software\Locked\Below)");
    const ValueRead refused = ReadValue(reg, kHkeyLocalMachine, R"(Software\Locked\Below)", "x");
    EXPECT_EQ(refused.state, ReadState::AccessRefused);
    EXPECT_EQ(refused.status, kErrorAccessDenied);
    EXPECT_EQ(ReadValue(reg, kHkeyLocalMachine, R"(\Bad\\Path)", "x").state, ReadState::Failed);
    EXPECT_FALSE(reg.KeyExists(kHkeyLocalMachine, R"(System\Nowhere)"));
}

TEST_F(ExactAccess, AReadOpensForQueryOnlyThroughTheWideApiAndCloses) {
    reg.RefuseWrites(kHkeyLocalMachine, R"(System\CurrentControlSet)");
    reg.PutValue(kHkeyLocalMachine, kKey, "SackOpts", {kRegSz, Utf16LeBytes(std::u16string_view(u"1\0", 2))});
    reg.ClearCalls();
    EXPECT_EQ(ReadValue(reg, kHkeyLocalMachine, kKey, "SackOpts").state, ReadState::Present);
    ASSERT_EQ(reg.Calls().size(), 3u);
    EXPECT_EQ(reg.Calls()[0].op, Op::OpenWide);
    EXPECT_EQ(reg.Calls()[0].access, kKeyQueryValue);
    EXPECT_EQ(reg.Calls()[1].op, Op::Query);
    EXPECT_EQ(reg.Calls()[2].op, Op::Close);
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
    // The same key refuses to be opened for writing, by the run as by a restore.
    EXPECT_EQ(WriteExact(reg, kHkeyLocalMachine, kKey, "SackOpts", std::nullopt).state, WriteState::AccessRefused);
    RegistryAccess(reg).SetRegistryValue(kHkeyLocalMachine, kKey, "SackOpts", 2, kRegSz);
    EXPECT_EQ(ReadValue(reg, kHkeyLocalMachine, kKey, "SackOpts").value.data,
              Utf16LeBytes(std::u16string_view(u"1\0", 2)));
}

TEST_F(ExactAccess, WritesGiveBackEveryTypeAndLengthByteForByte) {
    const std::vector<RawValue> values = {
        {kTypeSz, Utf16LeBytes(std::u16string_view(u"64240", 5))},  // a text without its NUL
        {kTypeSz, {'x'}},                                     // an odd length
        {kTypeExpandSz, Utf16LeBytes(std::u16string_view(u"%SystemRoot%\0", 13))},
        {kTypeMultiSz, Utf16LeBytes(std::u16string_view(u"a\0b\0\0", 5))},
        {kTypeBinary, {}},
        {kTypeDword, {1, 2, 3}},  // a double word of three bytes
        {kTypeQword, {1, 2, 3, 4, 5, 6, 7, 8}},
        {0x12345678, {0xFF}},
    };
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::string name = "V" + std::to_string(i);
        const WriteResult written = WriteExact(reg, kHkeyLocalMachine, kKey, name, values[i]);
        EXPECT_EQ(written.state, WriteState::Done) << name;
        const ValueRead read = ReadValue(reg, kHkeyLocalMachine, kKey, name);
        EXPECT_EQ(read.state, ReadState::Present) << name;
        EXPECT_EQ(read.value, values[i]) << name;
    }
    // A write replaces whatever type was there.
    EXPECT_EQ(WriteExact(reg, kHkeyLocalMachine, kKey, "v0", RawValue{kTypeDword, {4, 0, 0, 0}}).state,
              WriteState::Done);
    EXPECT_EQ(ReadValue(reg, kHkeyLocalMachine, kKey, "V0").value, (RawValue{kTypeDword, {4, 0, 0, 0}}));
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST_F(ExactAccess, ADeleteOfWhatIsAbsentIsDoneAndAMissingKeyIsNeverMade) {
    reg.PutValue(kHkeyLocalMachine, kKey, "Gone", {kRegDword, {0, 0, 0, 0}});
    EXPECT_EQ(WriteExact(reg, kHkeyLocalMachine, kKey, "Gone", std::nullopt).state, WriteState::Done);
    EXPECT_FALSE(reg.GetStoredValue(kHkeyLocalMachine, kKey, "Gone"));
    const WriteResult again = WriteExact(reg, kHkeyLocalMachine, kKey, "Gone", std::nullopt);
    EXPECT_EQ(again.state, WriteState::Done);
    EXPECT_EQ(again.status, kSuccess);

    const std::string before = reg.Dump();
    const char* missing = R"(system\Currentcontrolset\services\Services\Tcpip\Parameters)";
    const WriteResult noKey = WriteExact(reg, kHkeyLocalMachine, missing, "SackOpts", RawValue{kTypeSz, {}});
    EXPECT_EQ(noKey.state, WriteState::KeyAbsent);
    EXPECT_EQ(noKey.status, kErrorFileNotFound);
    EXPECT_EQ(WriteExact(reg, kHkeyLocalMachine, missing, "SackOpts", std::nullopt).state, WriteState::KeyAbsent);
    EXPECT_EQ(reg.Dump(), before);

    reg.ClearCalls();
    WriteExact(reg, kHkeyLocalMachine, kKey, "New", RawValue{kTypeSz, {}});
    ASSERT_EQ(reg.Calls().size(), 3u);
    EXPECT_EQ(reg.Calls()[0].access, kKeySetValue);
    EXPECT_EQ(reg.Calls()[1].op, Op::SetWide);
}

TEST_F(ExactAccess, ARefusedKeyWritesNothing) {
    reg.PutValue(kHkeyLocalMachine, kKey, "SackOpts", {kRegDword, {1, 0, 0, 0}});
    reg.RefuseAccess(kHkeyLocalMachine, kKey);
    const std::string before = reg.Dump();
    const WriteResult result =
        WriteExact(reg, kHkeyLocalMachine, kKey, "SackOpts", RawValue{kTypeDword, {2, 0, 0, 0}});
    EXPECT_EQ(result.state, WriteState::AccessRefused);
    EXPECT_EQ(result.status, kErrorAccessDenied);
    EXPECT_EQ(reg.Dump(), before);
}

TEST(TypeNames, KnownTypesByNameOthersInHexadecimal) {
    EXPECT_EQ(TypeName(kTypeSz), "REG_SZ");
    EXPECT_EQ(TypeName(kTypeExpandSz), "REG_EXPAND_SZ");
    EXPECT_EQ(TypeName(kTypeMultiSz), "REG_MULTI_SZ");
    EXPECT_EQ(TypeName(kTypeQword), "REG_QWORD");
    EXPECT_EQ(TypeName(12), "0x0000000c");
    EXPECT_EQ(TypeName(0xFFFF0001u), "0xffff0001");
}

}  // namespace
