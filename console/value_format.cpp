#include "console/value_format.h"

#include <cstdio>

#include "backup/reg_file.h"

namespace kavrel::console {

namespace {

std::uint32_t Dword(const std::vector<std::uint8_t>& d) {
    return d[0] | (d[1] << 8) | (d[2] << 16) | (std::uint32_t{d[3]} << 24);
}

std::string Hex(const std::vector<std::uint8_t>& bytes, const char* separator) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        if (i) out += separator;
        out += buf;
    }
    return out;
}

}  // namespace

std::string PlainTextOf(const registry::RawValue& value) {
    std::string out;
    const auto& d = value.data;
    const std::size_t units = d.size() / 2 - 1;  // without the NUL
    for (std::size_t i = 0; i < units; ++i) {
        char32_t cp = d[2 * i] | (d[2 * i + 1] << 8);
        if (cp >= 0xD800 && cp <= 0xDBFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + ((d[2 * i + 2] | (d[2 * i + 3] << 8)) - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::string ValueText(const std::optional<registry::RawValue>& value) {
    if (!value) return "(absente)";
    if (value->type == registry::kTypeDword && value->data.size() == 4) {
        return "REG_DWORD " + std::to_string(Dword(value->data));
    }
    if (backup::IsPlainText(*value)) return "REG_SZ \"" + PlainTextOf(*value) + "\"";
    return registry::TypeName(value->type) + " hex:" + Hex(value->data, ",");
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
    return type + ", \"hex\": \"" + Hex(value->data, "") + "\"}";
}

}  // namespace kavrel::console
