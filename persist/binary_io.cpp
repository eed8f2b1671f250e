#include "persist/binary_io.h"

#include <bit>
#include <cstdio>
#include <cstring>

#include "base/hex.h"

namespace kavrel::persist {

namespace {

std::string Describe(const std::string& field, std::size_t offset, const std::string& detail) {
    std::string text = field;
    if (offset != FormatError::kNoOffset) text += " at byte offset " + std::to_string(offset);
    return text + ": " + detail;
}

}  // namespace

FormatError::FormatError(std::string field, std::size_t offset, const std::string& detail)
    : std::runtime_error(Describe(field, offset, detail)), field_(std::move(field)), offset_(offset) {}

std::optional<Guid> Guid::Parse(std::string_view text) {
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') text = text.substr(1, 36);
    if (text.size() != 36) return std::nullopt;
    std::array<std::uint8_t, 16> raw{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') return std::nullopt;
            ++i;
            continue;
        }
        int hi = base::HexDigitValue(text[i]), lo = base::HexDigitValue(text[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        raw[n++] = static_cast<std::uint8_t>(hi * 16 + lo);
        i += 2;
    }
    // The text gives every group most significant byte first.
    Guid g;
    g.data1 = (std::uint32_t{raw[0]} << 24) | (std::uint32_t{raw[1]} << 16) | (std::uint32_t{raw[2]} << 8) | raw[3];
    g.data2 = static_cast<std::uint16_t>((raw[4] << 8) | raw[5]);
    g.data3 = static_cast<std::uint16_t>((raw[6] << 8) | raw[7]);
    std::memcpy(g.data4.data(), raw.data() + 8, 8);
    return g;
}

std::string Guid::ToString() const {
    char text[40];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", data1, data2, data3,
                  data4[0], data4[1], data4[2], data4[3], data4[4], data4[5], data4[6], data4[7]);
    return text;
}

std::array<std::uint8_t, 16> Guid::ToBytes() const {
    std::array<std::uint8_t, 16> b{};
    for (int i = 0; i < 4; ++i) b[i] = static_cast<std::uint8_t>(data1 >> (8 * i));
    b[4] = static_cast<std::uint8_t>(data2);
    b[5] = static_cast<std::uint8_t>(data2 >> 8);
    b[6] = static_cast<std::uint8_t>(data3);
    b[7] = static_cast<std::uint8_t>(data3 >> 8);
    std::memcpy(b.data() + 8, data4.data(), 8);
    return b;
}

Guid Guid::FromBytes(std::span<const std::uint8_t, 16> b) {
    Guid g;
    g.data1 = std::uint32_t{b[0]} | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24);
    g.data2 = static_cast<std::uint16_t>(b[4] | (b[5] << 8));
    g.data3 = static_cast<std::uint16_t>(b[6] | (b[7] << 8));
    std::memcpy(g.data4.data(), b.data() + 8, 8);
    return g;
}

void ByteReader::Fail(const char* field, std::size_t offset, const std::string& detail) {
    throw FormatError(field, offset, detail);
}

void ByteReader::Need(std::size_t count, const char* field) const {
    if (count > Remaining()) {
        Fail(field, Offset(),
             "needs " + std::to_string(count) + " bytes, only " + std::to_string(Remaining()) + " remain");
    }
}

std::uint8_t ByteReader::U8(const char* field) {
    Need(1, field);
    return data_[pos_++];
}

std::uint16_t ByteReader::U16(const char* field) {
    Need(2, field);
    auto v = static_cast<std::uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
}

std::uint32_t ByteReader::U32(const char* field) {
    Need(4, field);
    std::uint32_t v = std::uint32_t{data_[pos_]} | (std::uint32_t{data_[pos_ + 1]} << 8) |
                      (std::uint32_t{data_[pos_ + 2]} << 16) | (std::uint32_t{data_[pos_ + 3]} << 24);
    pos_ += 4;
    return v;
}

double ByteReader::F64(const char* field) {
    Need(8, field);
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | data_[pos_ + static_cast<std::size_t>(i)];
    pos_ += 8;
    return std::bit_cast<double>(bits);
}

Guid ByteReader::ReadGuid(const char* field) {
    Need(16, field);
    Guid g = Guid::FromBytes(std::span<const std::uint8_t, 16>(data_.data() + pos_, 16));
    pos_ += 16;
    return g;
}

std::span<const std::uint8_t> ByteReader::Bytes(std::size_t count, const char* field) {
    Need(count, field);
    auto view = data_.subspan(pos_, count);
    pos_ += count;
    return view;
}

ByteReader ByteReader::Sub(std::size_t count, const char* field) {
    std::size_t start = Offset();
    return ByteReader(Bytes(count, field), start);
}

void ByteWriter::U16(std::uint16_t v) {
    out_.push_back(static_cast<std::uint8_t>(v));
    out_.push_back(static_cast<std::uint8_t>(v >> 8));
}

void ByteWriter::U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void ByteWriter::F64(double v) {
    auto bits = std::bit_cast<std::uint64_t>(v);
    for (int i = 0; i < 8; ++i) out_.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void ByteWriter::WriteGuid(const Guid& g) {
    auto b = g.ToBytes();
    Bytes(b);
}

void ByteWriter::PatchU32(std::size_t at, std::uint32_t v) {
    if (at + 4 > out_.size()) throw std::out_of_range("ByteWriter::PatchU32 past the end");
    for (int i = 0; i < 4; ++i) out_[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace kavrel::persist
