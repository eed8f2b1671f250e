#include "backup/reg_file.h"

#include <cstdio>
#include <map>
#include <tuple>

#include "base/hex.h"
#include "base/text.h"
#include "base/utf.h"
#include "registry/memory_registry.h"

namespace kavrel::backup {

namespace {

constexpr std::u16string_view kSignature = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kClosingPrefix = u"; fin : ";
// The registry editor ends a line of hexadecimal bytes once it holds this
// many characters, and goes on after a backslash on a line indented by two.
constexpr std::size_t kHexLineLength = 77;

bool IsControl(char32_t c) { return c < 0x20 || c == 0x7F; }
bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The file is written from the program's own UTF-8: text that is not
// UTF-8 is a fault of the caller, never written with a guess in it.
std::u16string ToUtf16(std::string_view utf8) {
    auto units = base::Utf8ToUtf16(utf8, base::Invalid::Refuse);
    if (!units) throw std::invalid_argument("text that is not UTF-8");
    return std::move(*units);
}

std::u16string Hex(std::uint32_t value, int digits) { return base::AsciiToUtf16(base::HexNumber(value, digits)); }

bool HasControl(std::u16string_view text) {
    for (char16_t c : text) {
        if (IsControl(c)) return true;
    }
    return false;
}

bool ValidKeyPath(std::u16string_view path) {
    if (path.empty() || HasControl(path)) return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find(u'\\', start);
        if (end == start) return false;  // an empty part: "\\" or a leading or trailing '\'
        if (end == std::u16string_view::npos) return start < path.size();
        start = end + 1;
    }
}

std::u16string Quoted(std::u16string_view text) {
    std::u16string out = u"\"";
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    return out + u"\"";
}

// A plain text's units, without the NUL that ends it.
std::u16string TextOf(const registry::RawValue& value) {
    std::u16string text = base::Utf16LeUnits(value.data);
    if (!text.empty()) text.pop_back();
    return text;
}

std::u16string ValueLines(const SavedValue& saved) {
    const std::u16string name = ToUtf16(saved.valueName);
    if (name.empty() || HasControl(name)) throw std::invalid_argument("a value name the file cannot carry");
    std::u16string line = Quoted(name) + u"=";
    if (!saved.value) return line + u"-";
    const registry::RawValue& raw = *saved.value;
    const auto& d = raw.data;
    if (raw.type == registry::kTypeDword && d.size() == 4) {
        return line + u"dword:" + Hex(d[0] | (d[1] << 8) | (d[2] << 16) | (std::uint32_t{d[3]} << 24), 8);
    }
    if (IsPlainText(raw)) return line + Quoted(TextOf(raw));
    line += raw.type == registry::kTypeBinary ? std::u16string(u"hex:") : u"hex(" + Hex(raw.type, 1) + u"):";
    std::size_t length = line.size();
    for (std::size_t i = 0; i < d.size(); ++i) {
        line += Hex(d[i], 2);
        if (i + 1 == d.size()) break;
        line += u',';
        length += 3;
        if (length >= kHexLineLength) {
            line += u"\\\r\n  ";
            length = 2;
        }
    }
    return line;
}

// A comment is free text on one line: anything but a line end or a NUL
// (which the registry editor would take for the end of the line).
std::u16string CommentLine(const std::string& text) {
    const std::u16string line = ToUtf16(text);
    if (line.empty() || line.front() != u';' || line.find_first_of(std::u16string_view(u"\r\n\0", 3)) !=
                                                     std::u16string::npos ||
        line.starts_with(kClosingPrefix)) {
        throw std::invalid_argument("a comment line the file cannot carry: " + text);
    }
    return line;
}

std::optional<std::uint32_t> RootOf(std::u16string_view name) {
    if (name == u"HKEY_LOCAL_MACHINE") return registry::kHkeyLocalMachine;
    if (name == u"HKEY_CURRENT_USER") return registry::kHkeyCurrentUser;
    return std::nullopt;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// The reader, one physical line at a time.
class Reader {
public:
    explicit Reader(std::vector<std::u16string> lines) : lines_(std::move(lines)) {}

    BackupContents Read() {
        // The last line counts the values; it must be there, whole.
        if (lines_.empty() || lines_.front() != kSignature) {
            Fail(1, lines_.empty() || lines_.front() != u"REGEDIT4"
                        ? "la première ligne doit être « Windows Registry Editor Version 5.00 »"
                        : "l'ancien format REGEDIT4 n'est pas accepté");
        }
        BackupContents contents;
        bool inKey = false;
        std::uint32_t root = 0;
        std::string keyPath;
        std::map<std::tuple<std::uint32_t, std::string, std::string>, int> seen;
        const std::size_t last = lines_.size() - 1;
        for (next_ = 1; next_ < lines_.size();) {
            const std::size_t index = next_++;
            const int number = static_cast<int>(index) + 1;
            const std::u16string& line = lines_[index];
            if (line.empty()) continue;
            if (line.front() == u';') {
                if (line.starts_with(kClosingPrefix)) {
                    if (index != last) Fail(number, "la ligne de fin n'est pas la dernière du fichier");
                    continue;
                }
                if (!inKey) contents.header.push_back(Utf16ToUtf8(line));
                continue;
            }
            if (line.front() == u'[') {
                std::tie(root, keyPath) = KeyLine(line, number);
                inKey = true;
                continue;
            }
            if (line.front() == u'"') {
                if (!inKey) Fail(number, "une valeur avant toute ligne de clé");
                SavedValue value = ValueLine(line, number);
                value.root = root;
                value.keyPath = keyPath;
                const auto id = std::make_tuple(root, base::FoldCase(keyPath), base::FoldCase(value.valueName));
                const auto [it, fresh] = seen.emplace(id, number);
                if (!fresh) {
                    Fail(number, "la valeur « " + value.valueName + " » est déjà donnée ligne " +
                                     std::to_string(it->second));
                }
                contents.values.push_back(std::move(value));
                contents.lines.push_back(number);
                continue;
            }
            if (line.front() == u'@') Fail(number, "la valeur par défaut d'une clé n'est pas acceptée");
            Fail(number, "ligne inattendue");
        }
        Closing(lines_[last], static_cast<int>(last) + 1, contents.values.size());
        return contents;
    }

private:
    [[noreturn]] static void Fail(int line, const std::string& message) { throw BackupFormatError(line, message); }

    static void Closing(std::u16string_view line, int number, std::size_t count) {
        if (!line.starts_with(kClosingPrefix)) {
            Fail(number + 1, "fichier incomplet : la ligne de fin « " + ClosingLine(count) + " » manque");
        }
        if (ToUtf16(ClosingLine(count)) != line) {
            Fail(number, "la ligne de fin ne compte pas les " + std::to_string(count) +
                             " valeurs du fichier : « " + Utf16ToUtf8(line) + " »");
        }
    }

    static std::pair<std::uint32_t, std::string> KeyLine(std::u16string_view line, int number) {
        if (line.size() < 2 || line.back() != u']') Fail(number, "ligne de clé sans « ] » final");
        const std::u16string_view inside = line.substr(1, line.size() - 2);
        if (!inside.empty() && inside.front() == u'-') {
            Fail(number, "une ligne qui supprime une clé n'est pas acceptée");
        }
        const std::size_t slash = inside.find(u'\\');
        const auto root = RootOf(inside.substr(0, slash));
        if (!root) {
            Fail(number, "racine inconnue : seules HKEY_LOCAL_MACHINE et HKEY_CURRENT_USER sont acceptées");
        }
        if (slash == std::u16string_view::npos || !ValidKeyPath(inside.substr(slash + 1))) {
            Fail(number, "chemin de clé invalide");
        }
        return {*root, Utf16ToUtf8(inside.substr(slash + 1))};
    }

    // A text between quotes, from `at` (on the opening quote); moves `at`
    // past the closing one.
    static std::u16string QuotedText(std::u16string_view line, std::size_t& at, int number) {
        std::u16string text;
        for (++at; at < line.size(); ++at) {
            const char16_t c = line[at];
            if (c == u'"') {
                ++at;
                return text;
            }
            if (IsControl(c)) Fail(number, "caractère de contrôle dans un texte entre guillemets");
            if (c == u'\\') {
                if (at + 1 >= line.size() || (line[at + 1] != u'\\' && line[at + 1] != u'"')) {
                    Fail(number, "séquence d'échappement inconnue (seuls \\\\ et \\\" sont acceptés)");
                }
                ++at;
            }
            text += line[at];
        }
        Fail(number, "guillemet fermant manquant");
    }

    SavedValue ValueLine(std::u16string_view line, int number) {
        SavedValue value;
        std::size_t at = 0;
        const std::u16string name = QuotedText(line, at, number);
        if (name.empty()) Fail(number, "nom de valeur vide");
        value.valueName = Utf16ToUtf8(name);
        if (at >= line.size() || line[at] != u'=') Fail(number, "« = » attendu après le nom de la valeur");
        const std::u16string_view data = line.substr(at + 1);
        if (data == u"-") return value;
        if (!data.empty() && data.front() == u'"') {
            std::size_t pos = 0;
            const std::u16string text = QuotedText(data, pos, number);
            if (pos != data.size()) Fail(number, "texte après le guillemet fermant");
            registry::RawValue raw{registry::kTypeSz, base::Utf16LeBytes(text)};
            raw.data.push_back(0);
            raw.data.push_back(0);
            value.value = std::move(raw);
            return value;
        }
        if (data.starts_with(u"dword:")) {
            const std::u16string_view digits = data.substr(6);
            std::uint32_t n = 0;
            if (digits.size() != 8) Fail(number, "un dword s'écrit avec huit chiffres hexadécimaux");
            for (char16_t c : digits) {
                const int d = HexDigit(c);
                if (d < 0) Fail(number, "chiffre hexadécimal invalide dans un dword");
                n = (n << 4) | static_cast<std::uint32_t>(d);
            }
            value.value = registry::RawValue{registry::kTypeDword,
                                             {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16),
                                              std::uint8_t(n >> 24)}};
            return value;
        }
        std::uint32_t type = registry::kTypeBinary;
        std::u16string_view bytes;
        if (data.starts_with(u"hex:")) {
            bytes = data.substr(4);
        } else if (data.starts_with(u"hex(")) {
            const std::size_t close = data.find(u"):");
            if (close == std::u16string_view::npos || close < 5 || close > 12) {
                Fail(number, "type hex(N) invalide");
            }
            type = 0;
            for (char16_t c : data.substr(4, close - 4)) {
                const int d = HexDigit(c);
                if (d < 0) Fail(number, "type hex(N) invalide");
                type = (type << 4) | static_cast<std::uint32_t>(d);
            }
            bytes = data.substr(close + 2);
        } else {
            Fail(number, "type de donnée inconnu");
        }
        value.value = registry::RawValue{type, HexBytes(bytes, number)};
        return value;
    }

    // "xx,xx,...": a line that ends with ",\" goes on with the next line,
    // indented by two spaces.
    std::vector<std::uint8_t> HexBytes(std::u16string_view part, int number) {
        std::vector<std::uint8_t> out;
        bool first = true;
        for (;;) {
            const bool continued = !part.empty() && part.back() == u'\\';
            if (continued) part.remove_suffix(1);
            if (part.empty() && !(first && !continued)) Fail(number, "octets hexadécimaux attendus");
            for (std::size_t i = 0; i < part.size(); i += 3) {
                const int hi = HexDigit(part[i]);
                const int lo = i + 1 < part.size() ? HexDigit(part[i + 1]) : -1;
                if (hi < 0 || lo < 0) Fail(number, "octet hexadécimal invalide");
                out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
                const bool lastByte = i + 2 >= part.size();
                if (lastByte) {
                    if (continued) Fail(number, "« , » attendue avant « \\ » en fin de ligne");
                    break;
                }
                if (part[i + 2] != u',') Fail(number, "« , » attendue entre deux octets");
                if (i + 3 == part.size() && !continued) Fail(number, "virgule en trop en fin de ligne");
            }
            if (!continued) return out;
            first = false;
            if (next_ >= lines_.size()) Fail(number + 1, "fichier coupé au milieu d'une valeur");
            const std::u16string& following = lines_[next_++];
            ++number;
            if (following.size() < 3 || !following.starts_with(u"  ") || following[2] == u' ') {
                Fail(number, "ligne de suite attendue (deux espaces puis des octets hexadécimaux)");
            }
            part = std::u16string_view(following).substr(2);
        }
    }

    std::vector<std::u16string> lines_;
    std::size_t next_ = 0;
};

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text) {
    return *base::Utf16ToUtf8(text, base::Invalid::KeepUnit);
}

BackupFormatError::BackupFormatError(int line, const std::string& message)
    : std::runtime_error("ligne " + std::to_string(line) + " : " + message), line_(line) {}

const char* RootKeyName(std::uint32_t root) {
    if (root == registry::kHkeyLocalMachine) return "HKEY_LOCAL_MACHINE";
    if (root == registry::kHkeyCurrentUser) return "HKEY_CURRENT_USER";
    return nullptr;
}

std::string ClosingLine(std::size_t values) {
    return "; fin : " + std::to_string(values) + (values > 1 ? " valeurs" : " valeur");
}

bool IsPlainText(const registry::RawValue& value) {
    const auto& d = value.data;
    if (value.type != registry::kTypeSz || d.size() < 2 || d.size() % 2 != 0) return false;
    if (d[d.size() - 2] != 0 || d[d.size() - 1] != 0) return false;
    const std::size_t units = d.size() / 2 - 1;
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t c = static_cast<char16_t>(d[2 * i] | (d[2 * i + 1] << 8));
        if (c == 0 || IsControl(c)) return false;
        if (IsLowSurrogate(c)) return false;  // one without its high half
        if (IsHighSurrogate(c)) {
            if (i + 1 >= units) return false;
            const char16_t low = static_cast<char16_t>(d[2 * i + 2] | (d[2 * i + 3] << 8));
            if (!IsLowSurrogate(low)) return false;
            ++i;
        }
    }
    return true;
}

std::vector<std::uint8_t> WriteBackupFile(const BackupDocument& document) {
    std::u16string text;
    auto line = [&](std::u16string_view l) {
        text += l;
        text += u"\r\n";
    };
    line(kSignature);
    line(u"");
    for (const auto& comment : document.header) line(CommentLine(comment));
    bool inKey = false;
    std::uint32_t root = 0;
    std::string keyPath;
    std::size_t count = 0;
    for (const auto& item : document.body) {
        if (const auto* note = std::get_if<Note>(&item)) {
            line(CommentLine(note->line));
            continue;
        }
        const auto& value = std::get<SavedValue>(item);
        if (!inKey || value.root != root || value.keyPath != keyPath) {
            const char* rootName = RootKeyName(value.root);
            const std::u16string path = ToUtf16(value.keyPath);
            if (!rootName || !ValidKeyPath(path)) throw std::invalid_argument("a key the file cannot carry");
            line(u"");
            line(u"[" + base::AsciiToUtf16(rootName) + u"\\" + path + u"]");
            inKey = true;
            root = value.root;
            keyPath = value.keyPath;
        }
        line(ValueLines(value));
        ++count;
    }
    line(u"");
    line(ToUtf16(ClosingLine(count)));

    std::vector<std::uint8_t> bytes{0xFF, 0xFE};
    base::AppendUtf16Le(text, bytes);
    return bytes;
}

BackupContents ReadBackupFile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xFE) {
        throw BackupFormatError(1, "le fichier n'est pas en UTF-16LE avec son indicateur d'ordre des octets "
                                   "(l'encodage du registre)");
    }
    std::vector<std::u16string> lines(1);
    const std::size_t units = (bytes.size() - 2) / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const int number = static_cast<int>(lines.size());
        const char16_t c = static_cast<char16_t>(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));
        if (IsHighSurrogate(c)) {
            const char16_t low =
                i + 1 < units ? static_cast<char16_t>(bytes[4 + 2 * i] | (bytes[5 + 2 * i] << 8)) : u'\0';
            if (!IsLowSurrogate(low)) throw BackupFormatError(number, "caractère UTF-16 invalide");
            lines.back() += c;
            lines.back() += low;
            ++i;
            continue;
        }
        if (IsLowSurrogate(c)) throw BackupFormatError(number, "caractère UTF-16 invalide");
        if (c == u'\0') throw BackupFormatError(number, "caractère nul");
        if (c == u'\n') throw BackupFormatError(number, "fin de ligne sans retour chariot (CRLF attendu)");
        if (c == u'\r') {
            const char16_t after =
                i + 1 < units ? static_cast<char16_t>(bytes[4 + 2 * i] | (bytes[5 + 2 * i] << 8)) : u'\0';
            if (after != u'\n') {
                throw BackupFormatError(number, i + 1 < units ? "retour chariot seul (CRLF attendu)"
                                                              : "fichier coupé : la dernière ligne est incomplète");
            }
            ++i;
            lines.emplace_back();
            continue;
        }
        lines.back() += c;
    }
    const int lastLine = static_cast<int>(lines.size());
    if (bytes.size() % 2 != 0) throw BackupFormatError(lastLine, "fichier coupé au milieu d'un caractère");
    if (!lines.back().empty()) throw BackupFormatError(lastLine, "fichier coupé : la dernière ligne est incomplète");
    lines.pop_back();
    return Reader(std::move(lines)).Read();
}

}  // namespace kavrel::backup
