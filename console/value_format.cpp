#include "console/value_format.h"

#include <cstdio>

#include "backup/reg_file.h"
#include "base/hex.h"
#include "base/utf.h"

namespace kavrel::console {

namespace {

std::uint32_t Dword(const std::vector<std::uint8_t>& d) {
    return d[0] | (d[1] << 8) | (d[2] << 16) | (std::uint32_t{d[3]} << 24);
}

}  // namespace

std::string PlainTextOf(const registry::RawValue& value) {
    const auto& d = value.data;
    std::u16string text = base::Utf16LeUnits(d);
    if (!text.empty() && text.back() == u'\0') text.pop_back();  // the terminating NUL
    return backup::Utf16ToUtf8(text);
}

std::string ValueText(const std::optional<registry::RawValue>& value) {
    if (!value) return "(absente)";
    if (value->type == registry::kTypeDword && value->data.size() == 4) {
        return "REG_DWORD " + std::to_string(Dword(value->data));
    }
    if (backup::IsPlainText(*value)) return "REG_SZ \"" + PlainTextOf(*value) + "\"";
    return registry::TypeName(value->type) + " hex:" + base::HexBytes(value->data, ",");
}

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || u == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string ValueJson(const std::optional<registry::RawValue>& value) {
    if (!value) return "null";
    const std::string type = "{\"type\": " + JsonString(registry::TypeName(value->type));
    if (value->type == registry::kTypeDword && value->data.size() == 4) {
        return type + ", \"number\": " + std::to_string(Dword(value->data)) + "}";
    }
    if (backup::IsPlainText(*value)) return type + ", \"text\": " + JsonString(PlainTextOf(*value)) + "}";
    return type + ", \"hex\": \"" + base::HexBytes(value->data, "") + "\"}";
}

}  // namespace kavrel::console
