// The backup file: what the writer makes for every kind of value (the
// registry editor's own layout, continuation lines included), that every
// value reads back exactly, and that the reader refuses a cut or damaged
// file with the line at fault.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "backup/reg_file.h"
#include "base/utf.h"
#include "registry_printers.h"

using namespace kavrel;
using namespace kavrel::backup;
using registry::RawValue;
using kavrel::base::Utf16LeBytes;

namespace {

constexpr std::uint32_t HKLM = registry::kHkeyLocalMachine;
constexpr std::uint32_t HKCU = registry::kHkeyCurrentUser;
constexpr const char* kTcpip = R"(SYSTEM\CurrentControlSet\Services\Tcpip\Parameters)";

// UTF-8 text to the file's bytes: byte order mark, UTF-16LE.
std::vector<std::uint8_t> FileBytes(std::string_view utf8) {
    std::vector<std::uint8_t> out{0xFF, 0xFE};
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        char32_t cp = b;
        std::size_t n = 1;
        if (b >= 0xF0) {
            cp = b & 0x07, n = 4;
        } else if (b >= 0xE0) {
            cp = b & 0x0F, n = 3;
        } else if (b >= 0xC0) {
            cp = b & 0x1F, n = 2;
        }
        for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
        i += n;
        auto unit = [&](char32_t u) {
            out.push_back(static_cast<std::uint8_t>(u));
            out.push_back(static_cast<std::uint8_t>(u >> 8));
        };
        if (cp >= 0x10000) {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            unit(cp);
        }
    }
    return out;
}

// The file's bytes back to UTF-8 text (BMP only, as the tests write).
std::string FileText(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        const char32_t c = bytes[i] | (bytes[i + 1] << 8);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

SavedValue Value(std::string name, std::optional<RawValue> value, std::string key = kTcpip, std::uint32_t root = HKLM) {
    return SavedValue{root, std::move(key), std::move(name), std::move(value)};
}

std::vector<std::uint8_t> Sequence(std::size_t n) {
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(i);
    return out;
}

// Every kind of value the writer tells apart.
std::vector<SavedValue> EveryKind() {
    return {
        Value("Absent", std::nullopt),
        Value("Window", RawValue{registry::kTypeDword, {0x00, 0x60, 0x00, 0x00}}),
        Value("Text", RawValue{registry::kTypeSz, Utf16LeBytes(std::u16string_view(u"C:\\a \"b\" \u00e9\0", 11))}),
        Value("NoNul", RawValue{registry::kTypeSz, Utf16LeBytes(u"64240")}),
        Value("TwoNuls", RawValue{registry::kTypeSz, Utf16LeBytes(std::u16string_view(u"a\0b\0", 4))}),
        Value("Break", RawValue{registry::kTypeSz, Utf16LeBytes(std::u16string_view(u"a\r\nb\0", 5))}),
        Value("Odd", RawValue{registry::kTypeSz, {'x'}}),
        Value("Empty", RawValue{registry::kTypeSz, {}}),
        Value("JustNul", RawValue{registry::kTypeSz, {0, 0}}),
        Value("Expand", RawValue{registry::kTypeExpandSz, Utf16LeBytes(std::u16string_view(u"%TEMP%\0", 7))}),
        Value("Multi", RawValue{registry::kTypeMultiSz, Utf16LeBytes(std::u16string_view(u"a\0b\0\0", 5))}),
        Value("Binary", RawValue{registry::kTypeBinary, {0xDE, 0xAD}}),
        Value("NoBytes", RawValue{registry::kTypeBinary, {}}),
        Value("ShortDword", RawValue{registry::kTypeDword, {1, 2, 3}}),
        Value("Qword", RawValue{registry::kTypeQword, {1, 2, 3, 4, 5, 6, 7, 8}}),
        Value("None", RawValue{registry::kTypeNone, {}}),
        Value("Own", RawValue{0xFFFF0001u, {0x7F}}),
        Value("Long", RawValue{registry::kTypeBinary, Sequence(64)}),
        Value("Escaped \\ \"name\"", RawValue{registry::kTypeDword, {1, 0, 0, 0}}),
        Value("MaxConnectionsPerServer", RawValue{registry::kTypeDword, {4, 0, 0, 0}},
              R"(Software\Microsoft\Windows\CurrentVersion\Internet Settings)", HKCU),
    };
}

BackupDocument Document(const std::vector<SavedValue>& values) {
    BackupDocument doc;
    doc.header = {"; Programme : Kavrel LinkTune 2.00.0007", "; Profil : adsl 1024"};
    for (const auto& v : values) doc.body.emplace_back(v);
    return doc;
}

TEST(BackupWriter, LaysOutEveryKindOfValueAsTheRegistryEditorDoes) {
    const std::string expected =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; Programme : Kavrel LinkTune 2.00.0007\r\n"
        "; Profil : adsl 1024\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters]\r\n"
        "\"Absent\"=-\r\n"
        "\"Window\"=dword:00006000\r\n"
        "\"Text\"=\"C:\\\\a \\\"b\\\" é\"\r\n"
        "\"NoNul\"=hex(1):36,00,34,00,32,00,34,00,30,00\r\n"
        "\"TwoNuls\"=hex(1):61,00,00,00,62,00,00,00\r\n"
        "\"Break\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\r\n"
        "\"Odd\"=hex(1):78\r\n"
        "\"Empty\"=hex(1):\r\n"
        "\"JustNul\"=\"\"\r\n"
        "\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n"
        "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Binary\"=hex:de,ad\r\n"
        "\"NoBytes\"=hex:\r\n"
        "\"ShortDword\"=hex(4):01,02,03\r\n"
        "\"Qword\"=hex(b):01,02,03,04,05,06,07,08\r\n"
        "\"None\"=hex(0):\r\n"
        "\"Own\"=hex(ffff0001):7f\r\n"
        // The editor's own continuation: a line holds up to 77 characters
        // before ",\", and goes on indented by two spaces.
        "\"Long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
        "  16,17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,\\\r\n"
        "  2f,30,31,32,33,34,35,36,37,38,39,3a,3b,3c,3d,3e,3f\r\n"
        "\"Escaped \\\\ \\\"name\\\"\"=dword:00000001\r\n"
        "\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\r\n"
        "\"MaxConnectionsPerServer\"=dword:00000004\r\n"
        "\r\n"
        "; fin : 20 valeurs\r\n";
    const auto bytes = WriteBackupFile(Document(EveryKind()));
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xFE);
    EXPECT_EQ(FileText(bytes), expected);
    EXPECT_EQ(bytes, FileBytes(expected));
}

TEST(BackupWriter, ContinuesLongLinesWhereTheEditorDoes) {
    // As the editor wrote it for the same value (captured from an export).
    const std::string exported =
        "\"a\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
        "  17,18,19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f,\\\r\n"
        "  30,31,32,33,34,35,36,37,38,39,3a,3b,3c,3d,3e,3f\r\n";
    const std::string text = FileText(WriteBackupFile(Document({Value("a", RawValue{3, Sequence(64)})})));
    EXPECT_NE(text.find(exported), std::string::npos) << text;
    // A name longer than a line: one byte, then the continuation at once.
    const std::string name(80, 'n');
    const std::string longName = FileText(WriteBackupFile(Document({Value(name, RawValue{3, {1, 2}})})));
    EXPECT_NE(longName.find("\"" + name + "\"=hex:01,\\\r\n  02\r\n"), std::string::npos) << longName;
}

TEST(BackupWriter, CountsOneValueInTheSingular) {
    EXPECT_EQ(ClosingLine(0), "; fin : 0 valeur");
    EXPECT_EQ(ClosingLine(1), "; fin : 1 valeur");
    EXPECT_EQ(ClosingLine(53), "; fin : 53 valeurs");
    BackupDocument doc;
    doc.body.emplace_back(Note{"; clé absente : rien à sauvegarder"});
    const std::string text = FileText(WriteBackupFile(doc));
    EXPECT_EQ(text,
              "Windows Registry Editor Version 5.00\r\n\r\n; clé absente : rien à sauvegarder\r\n\r\n"
              "; fin : 0 valeur\r\n");
    EXPECT_TRUE(ReadBackupFile(WriteBackupFile(doc)).values.empty());
}

TEST(BackupWriter, RefusesWhatTheFormatCannotCarry) {
    auto write = [](SavedValue v) { return WriteBackupFile(Document({std::move(v)})); };
    EXPECT_THROW(write(Value("", std::nullopt)), std::invalid_argument);
    EXPECT_THROW(write(Value("a\nb", std::nullopt)), std::invalid_argument);
    EXPECT_THROW(write(Value("\xC3", std::nullopt)), std::invalid_argument);  // not UTF-8
    EXPECT_THROW(write(Value("v", std::nullopt, R"(A\\B)")), std::invalid_argument);
    EXPECT_THROW(write(Value("v", std::nullopt, R"(A\B\)")), std::invalid_argument);
    EXPECT_THROW(write(Value("v", std::nullopt, "")), std::invalid_argument);
    EXPECT_THROW(write(Value("v", std::nullopt, "A", 0x80000000u)), std::invalid_argument);
    BackupDocument doc;
    doc.header = {"no semicolon"};
    EXPECT_THROW(WriteBackupFile(doc), std::invalid_argument);
    doc.header = {"; fin : 3 valeurs"};  // would end the file early
    EXPECT_THROW(WriteBackupFile(doc), std::invalid_argument);
    doc.header = {"; two\r\nlines"};
    EXPECT_THROW(WriteBackupFile(doc), std::invalid_argument);
    doc.header = {std::string("; a\0b", 5)};
    EXPECT_THROW(WriteBackupFile(doc), std::invalid_argument);
    doc.header = {";\ttab and \x7f are free text"};
    EXPECT_EQ(ReadBackupFile(WriteBackupFile(doc)).header, doc.header);
}

TEST(BackupReader, ReadsBackEveryKindExactlyWithItsLine) {
    const auto values = EveryKind();
    const BackupContents read = ReadBackupFile(WriteBackupFile(Document(values)));
    ASSERT_EQ(read.values.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(read.values[i].root, values[i].root) << values[i].valueName;
        EXPECT_EQ(read.values[i].keyPath, values[i].keyPath) << values[i].valueName;
        EXPECT_EQ(read.values[i].valueName, values[i].valueName);
        EXPECT_EQ(read.values[i].value, values[i].value) << values[i].valueName;
    }
    EXPECT_EQ(read.header, (std::vector<std::string>{"; Programme : Kavrel LinkTune 2.00.0007", "; Profil : adsl 1024"}));
    EXPECT_EQ(read.lines.front(), 7);
    EXPECT_EQ(read.lines[17], 24);  // the continued value starts on its first line
    EXPECT_EQ(read.lines[18], 27);
    EXPECT_EQ(read.lines.back(), 30);
}

TEST(BackupReader, AFileCutAnywhereIsRefused) {
    const auto bytes = WriteBackupFile(Document(EveryKind()));
    for (std::size_t size = 0; size < bytes.size(); ++size) {
        const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_THROW(ReadBackupFile(cut), BackupFormatError) << "cut after " << size << " bytes";
    }
    EXPECT_NO_THROW(ReadBackupFile(bytes));
}

TEST(BackupReader, ACutAtALineBoundaryNamesTheMissingClosingLine) {
    const std::string head =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"x\"=dword:00000001\r\n";
    try {
        ReadBackupFile(FileBytes(head));
        FAIL() << "accepted";
    } catch (const BackupFormatError& e) {
        EXPECT_EQ(e.line(), 5);
        EXPECT_STREQ(e.what(), "ligne 5 : fichier incomplet : la ligne de fin « ; fin : 1 valeur » manque");
    }
}

struct Damage {
    const char* what;
    std::string text;  // the whole file
    int line;          // the line the error must name
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.what; }

class DamagedFile : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedFile, IsRefusedNamingTheLine) {
    const Damage& d = GetParam();
    try {
        ReadBackupFile(FileBytes(d.text));
        FAIL() << "accepted: " << d.what;
    } catch (const BackupFormatError& e) {
        EXPECT_EQ(e.line(), d.line) << e.what();
        EXPECT_EQ(std::string(e.what()).rfind("ligne " + std::to_string(d.line) + " : ", 0), 0u) << e.what();
    }
}

const std::string kHead = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\A]\r\n";
std::string One(const std::string& valueLine) { return kHead + valueLine + "\r\n\r\n; fin : 1 valeur\r\n"; }

INSTANTIATE_TEST_SUITE_P(
    Backup, DamagedFile,
    ::testing::Values(
        Damage{"bad first line", "Windows Registry Editor Version 4.00\r\n\r\n; fin : 0 valeur\r\n", 1},
        Damage{"old format", "REGEDIT4\r\n\r\n; fin : 0 valeur\r\n", 1},
        Damage{"bad hex digit", One("\"x\"=hex:0g"), 4},
        Damage{"one hex digit", One("\"x\"=hex:0"), 4},
        Damage{"no comma between bytes", One("\"x\"=hex:0001"), 4},
        Damage{"trailing comma", One("\"x\"=hex:00,"), 4},
        Damage{"continuation without comma", kHead + "\"x\"=hex:00\\\r\n  01\r\n\r\n; fin : 1 valeur\r\n", 4},
        Damage{"continuation line not indented", kHead + "\"x\"=hex:00,\\\r\n01\r\n\r\n; fin : 1 valeur\r\n", 5},
        Damage{"continuation cut", kHead + "\"x\"=hex:00,\\\r\n", 5},
        Damage{"unknown type", One("\"x\"=qword:0000000000000001"), 4},
        Damage{"bad hex type", One("\"x\"=hex(z):00"), 4},
        Damage{"dword of seven digits", One("\"x\"=dword:0000001"), 4},
        Damage{"dword with a sign", One("\"x\"=dword:-0000001"), 4},
        Damage{"unknown escape", One("\"x\"=\"a\\nb\""), 4},
        Damage{"control character in a text", One("\"x\"=\"a\tb\""), 4},
        Damage{"no closing quote", One("\"x\"=\"ab"), 4},
        Damage{"text after the closing quote", One("\"x\"=\"ab\" "), 4},
        Damage{"empty name", One("\"\"=-"), 4},
        Damage{"no equals sign", One("\"x\" -"), 4},
        Damage{"default value", One("@=\"a\""), 4},
        Damage{"another root", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\A]\r\n\"x\"=-\r\n"
                               "\r\n; fin : 1 valeur\r\n", 3},
        Damage{"key deletion", "Windows Registry Editor Version 5.00\r\n\r\n[-HKEY_LOCAL_MACHINE\\A]\r\n"
                               "\r\n; fin : 0 valeur\r\n", 3},
        Damage{"empty key part", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A\\\\B]\r\n"
                                 "\r\n; fin : 0 valeur\r\n", 3},
        Damage{"unclosed key", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\A\r\n"
                               "\r\n; fin : 0 valeur\r\n", 3},
        Damage{"value before any key", "Windows Registry Editor Version 5.00\r\n\"x\"=-\r\n; fin : 1 valeur\r\n", 2},
        Damage{"a value twice", kHead + "\"x\"=-\r\n\"X\"=dword:00000001\r\n\r\n; fin : 2 valeurs\r\n", 5},
        Damage{"count too high", One("\"x\"=-").replace(One("\"x\"=-").find("1 valeur"), 8, "2 valeurs"), 6},
        Damage{"closing line in the plural for one", One("\"x\"=-").replace(One("\"x\"=-").find("valeur"), 6,
                                                                            "valeurs"), 6},
        Damage{"closing line not last", One("\"x\"=-") + "\"y\"=-\r\n", 6},
        Damage{"a line after the closing line", One("\"x\"=-") + "; encore\r\n", 6},
        Damage{"unexpected line", One("x=1"), 4},
        Damage{"a NUL character", One(std::string("; a\0b", 5)), 4},
        Damage{"line feed without carriage return", "Windows Registry Editor Version 5.00\n\r\n; fin : 0 valeur\r\n",
               1},
        Damage{"carriage return alone", "Windows Registry Editor Version 5.00\r\r\n; fin : 0 valeur\r\n", 1},
        Damage{"last line without its end", One("\"x\"=-").substr(0, One("\"x\"=-").size() - 2), 6},
        Damage{"last line without its line feed", One("\"x\"=-").substr(0, One("\"x\"=-").size() - 1), 6}),
    [](const auto& info) {
        std::string name;
        for (char c : std::string(info.param.what)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(BackupReader, RefusesOtherEncodingsOnTheFirstLine) {
    const std::string text = "Windows Registry Editor Version 5.00\r\n\r\n; fin : 0 valeur\r\n";
    ASSERT_NO_THROW(ReadBackupFile(FileBytes(text)));
    const std::vector<std::uint8_t> utf8(text.begin(), text.end());
    std::vector<std::uint8_t> utf8Bom{0xEF, 0xBB, 0xBF};
    utf8Bom.insert(utf8Bom.end(), text.begin(), text.end());
    auto noBom = FileBytes(text);
    noBom.erase(noBom.begin(), noBom.begin() + 2);
    auto bigEndian = FileBytes(text);
    for (std::size_t i = 0; i < bigEndian.size(); i += 2) std::swap(bigEndian[i], bigEndian[i + 1]);
    for (const auto& bytes : {utf8, utf8Bom, noBom, bigEndian, std::vector<std::uint8_t>{}}) {
        try {
            ReadBackupFile(bytes);
            ADD_FAILURE() << "accepted";
        } catch (const BackupFormatError& e) {
            EXPECT_EQ(e.line(), 1);
        }
    }
    // Half a character, and half a surrogate pair.
    auto odd = FileBytes(text);
    odd.push_back(0x41);
    EXPECT_THROW(ReadBackupFile(odd), BackupFormatError);
    auto lone = FileBytes("Windows Registry Editor Version 5.00\r\n; ");
    lone.push_back(0x00);
    lone.push_back(0xD8);
    const auto rest = FileBytes("\r\n; fin : 0 valeur\r\n");
    lone.insert(lone.end(), rest.begin() + 2, rest.end());
    try {
        ReadBackupFile(lone);
        ADD_FAILURE() << "accepted a lone surrogate";
    } catch (const BackupFormatError& e) {
        EXPECT_EQ(e.line(), 2);
    }
}

TEST(BackupReader, AcceptsWhatTheEditorMayWriteBesideOurOwnForm) {
    const BackupContents read = ReadBackupFile(FileBytes(
        kHead + "\"b\"=hex(3):DE,AD\r\n\"w\"=dword:DEADBEEF\r\n; a comment among values\r\n"
                "\"k\"=\"\u00e9\U0001F600\"\r\n\r\n; fin : 3 valeurs\r\n"));
    ASSERT_EQ(read.values.size(), 3u);
    EXPECT_EQ(read.values[0].value, (RawValue{3, {0xDE, 0xAD}}));
    EXPECT_EQ(read.values[1].value, (RawValue{4, {0xEF, 0xBE, 0xAD, 0xDE}}));
    EXPECT_EQ(read.values[2].value, (RawValue{1, {0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0x00}}));
    EXPECT_TRUE(read.header.empty());  // comments after the first key are no header
}

TEST(PlainText, OnlyOneTerminatedTextWithoutControlsGoesBetweenQuotes) {
    EXPECT_TRUE(IsPlainText(RawValue{1, Utf16LeBytes(std::u16string_view(u"5840\0", 5))}));
    EXPECT_TRUE(IsPlainText(RawValue{1, {0, 0}}));
    EXPECT_TRUE(IsPlainText(RawValue{1, Utf16LeBytes(std::u16string_view(u"\U0001F600\0", 3))}));
    EXPECT_FALSE(IsPlainText(RawValue{2, Utf16LeBytes(std::u16string_view(u"5840\0", 5))}));
    EXPECT_FALSE(IsPlainText(RawValue{1, Utf16LeBytes(u"5840")}));
    EXPECT_FALSE(IsPlainText(RawValue{1, {'5', 0, 0}}));
    EXPECT_FALSE(IsPlainText(RawValue{1, Utf16LeBytes(std::u16string_view(u"a\x7f\0", 3))}));
    EXPECT_FALSE(IsPlainText(RawValue{1, Utf16LeBytes(std::u16string_view(u"\xd83d\0", 2))}));
    EXPECT_FALSE(IsPlainText(RawValue{1, Utf16LeBytes(std::u16string_view(u"\xde00x\0", 3))}));
    EXPECT_FALSE(IsPlainText(RawValue{1, {}}));
}

}  // namespace
