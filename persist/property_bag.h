// The property bag through which a hosted control saves and restores its
// design-time properties: named, typed values in the order they were written.
//
// Names compare without regard to case and are kept in lower case (ASCII
// letters are folded; other characters are kept as they are). A write with a
// default stores nothing when the value equals the default; a read returns
// the default when the name is absent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "persist/binary_io.h"
#include "persist/std_objects.h"

namespace kavrel::persist {

// The stored value types of a property set record.
enum class ValueType : std::uint16_t { Int32 = 3, Double = 5, String = 8, Object = 13 };

// A value in a bag. Strings are UTF-8. A null FontRef or PictureRef is "no
// object": writing one stores nothing, exactly as if the name were absent.
// Booleans are Int32 entries holding -1 (True) or 0 (False): see BoolValue.
using PropertyValue = std::variant<std::int32_t, double, std::string, FontRef, PictureRef>;

ValueType TypeOf(const PropertyValue& value);
PropertyValue BoolValue(bool value);
// Numbers compare by value (an Int32 5 equals a Double 5.0), strings
// exactly, objects by content; "no object" equals only "no object".
bool SameValue(const PropertyValue& a, const PropertyValue& b);

class PropertyBag {
public:
    struct Entry {
        std::string name;  // lower case
        PropertyValue value;
        // Absolute byte offset of the record this entry was decoded from, so
        // that a value that fails to convert is reported where it is stored;
        // FormatError::kNoOffset for an entry written in memory.
        std::size_t offset = FormatError::kNoOffset;
    };

    // Always stores (a key written with no default). A name already present
    // keeps its place and takes the new value; a new name goes last.
    void Write(std::string_view name, PropertyValue value);
    // Stores nothing when value equals defaultValue; an earlier entry of the
    // same name is then removed, so that a read gives the default.
    void Write(std::string_view name, PropertyValue value, const PropertyValue& defaultValue);
    // Puts the entry first (used for the host's own keys, see WriteExtentKeys).
    void WriteFront(std::string_view name, PropertyValue value);
    bool Remove(std::string_view name);

    const Entry* Find(std::string_view name) const;
    bool Contains(std::string_view name) const { return Find(name) != nullptr; }
    PropertyValue Read(std::string_view name, const PropertyValue& defaultValue) const;

    // Typed reads. A stored value that cannot be converted throws FormatError
    // naming the key and the record's offset: an object where a number or
    // string is needed, a string that is not a number for a numeric key, a
    // number outside the 32-bit range, a non-picture for a picture key.
    // Doubles become integers rounded to nearest, halves to even.
    std::int32_t ReadInt32(std::string_view name, std::int32_t defaultValue) const;
    double ReadDouble(std::string_view name, double defaultValue) const;
    bool ReadBool(std::string_view name, bool defaultValue) const;  // non-zero, "True" or "False"
    std::string ReadString(std::string_view name, const std::string& defaultValue) const;
    FontRef ReadFont(std::string_view name, FontRef defaultValue = nullptr) const;
    PictureRef ReadPicture(std::string_view name, PictureRef defaultValue = nullptr) const;

    const std::vector<Entry>& Entries() const { return entries_; }
    std::size_t Size() const { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }
    void Clear() { entries_.clear(); }

    // Same names in the same order with the same values (SameValue).
    bool operator==(const PropertyBag& other) const;

    static std::string LowerName(std::string_view name);

    // Used by the decoder: appends an entry read from bytes, name already
    // lower case and not yet present.
    void AppendDecoded(Entry entry) { entries_.push_back(std::move(entry)); }

private:
    Entry* FindMutable(std::string_view name);
    std::vector<Entry> entries_;
};

}  // namespace kavrel::persist
