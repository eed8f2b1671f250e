// Little-endian readers and writers for stored bytes, the error every decoder
// of stored bytes raises, and class identifiers in their stored layout.
//
// ByteReader never reads past the end of its data: each read checks the
// remaining length first and throws FormatError naming the field being read
// and the absolute byte offset at which it starts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kavrel::persist {

// A malformed stored input: which field, at which byte offset, and why.
class FormatError : public std::runtime_error {
public:
    static constexpr std::size_t kNoOffset = static_cast<std::size_t>(-1);

    FormatError(std::string field, std::size_t offset, const std::string& detail);

    const std::string& Field() const { return field_; }
    // Offset of the field from the start of the outermost input, or kNoOffset
    // for a value that was never read from bytes.
    std::size_t Offset() const { return offset_; }

private:
    std::string field_;
    std::size_t offset_;
};

// A 16-byte class identifier. Stored as the first three groups little-endian
// and the last eight bytes as they are, the platform's usual layout.
struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    // "{0BE35203-8F91-11CE-9DE3-00AA004BB851}" (braces optional, any case);
    // nullopt when the text is not a class identifier.
    static std::optional<Guid> Parse(std::string_view text);
    std::string ToString() const;  // upper case, with braces
    std::array<std::uint8_t, 16> ToBytes() const;
    static Guid FromBytes(std::span<const std::uint8_t, 16> bytes);
    bool operator==(const Guid&) const = default;
};

class ByteReader {
public:
    // base: the absolute offset of data[0] in the outermost input, so that
    // errors name offsets a reader of the whole file can find.
    explicit ByteReader(std::span<const std::uint8_t> data, std::size_t base = 0)
        : data_(data), base_(base) {}

    std::size_t Position() const { return pos_; }           // relative to data[0]
    std::size_t Offset() const { return base_ + pos_; }     // absolute
    std::size_t Base() const { return base_; }
    std::size_t Remaining() const { return data_.size() - pos_; }
    bool AtEnd() const { return pos_ == data_.size(); }

    std::uint8_t U8(const char* field);
    std::uint16_t U16(const char* field);
    std::int16_t I16(const char* field) { return static_cast<std::int16_t>(U16(field)); }
    std::uint32_t U32(const char* field);
    std::int32_t I32(const char* field) { return static_cast<std::int32_t>(U32(field)); }
    double F64(const char* field);
    Guid ReadGuid(const char* field);
    // count bytes, as a view into the data.
    std::span<const std::uint8_t> Bytes(std::size_t count, const char* field);
    // A view of the next count bytes as a reader of their own (same base).
    ByteReader Sub(std::size_t count, const char* field);
    void Skip(std::size_t count, const char* field) { (void)Bytes(count, field); }

    // The error for a field that starts at the given absolute offset.
    [[noreturn]] static void Fail(const char* field, std::size_t offset, const std::string& detail);

private:
    void Need(std::size_t count, const char* field) const;

    std::span<const std::uint8_t> data_;
    std::size_t base_;
    std::size_t pos_ = 0;
};

class ByteWriter {
public:
    void U8(std::uint8_t v) { out_.push_back(v); }
    void U16(std::uint16_t v);
    void I16(std::int16_t v) { U16(static_cast<std::uint16_t>(v)); }
    void U32(std::uint32_t v);
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F64(double v);
    void WriteGuid(const Guid& g);
    void Bytes(std::span<const std::uint8_t> bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
    // Overwrites four bytes already written (lengths known only afterwards).
    void PatchU32(std::size_t at, std::uint32_t v);

    std::size_t Size() const { return out_.size(); }
    const std::vector<std::uint8_t>& Data() const { return out_; }
    std::vector<std::uint8_t> Take() { return std::move(out_); }

private:
    std::vector<std::uint8_t> out_;
};

}  // namespace kavrel::persist
