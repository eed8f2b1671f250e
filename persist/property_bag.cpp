#include "persist/property_bag.h"

#include <charconv>
#include <cmath>

#include "base/decimal.h"
#include "base/text.h"

namespace kavrel::persist {

namespace {

bool SamePicture(const StdPicture& a, const StdPicture& b) {
    return a.format == b.format && a.bytes == b.bytes && a.width == b.width && a.height == b.height;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A decimal number, as a string value may hold it; nullopt otherwise.
std::optional<double> ParseNumber(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

[[noreturn]] void ConversionError(const PropertyBag::Entry& e, const std::string& detail) {
    throw FormatError("value of \"" + e.name + "\"", e.offset, detail);
}

std::int32_t ToInt32(const PropertyBag::Entry& e, double v) {
    double r = std::nearbyint(v);  // the default rounding mode: to nearest, halves to even
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) ConversionError(e, "number outside the 32-bit range");
    return static_cast<std::int32_t>(r);
}

const char* TypeWord(const PropertyValue& v) {
    switch (TypeOf(v)) {
        case ValueType::Int32: return "an integer";
        case ValueType::Double: return "a floating-point number";
        case ValueType::String: return "a string";
        case ValueType::Object: return std::holds_alternative<FontRef>(v) ? "a font object" : "a picture object";
    }
    return "a value";
}

}  // namespace

ValueType TypeOf(const PropertyValue& value) {
    switch (value.index()) {
        case 0: return ValueType::Int32;
        case 1: return ValueType::Double;
        case 2: return ValueType::String;
        default: return ValueType::Object;
    }
}

PropertyValue BoolValue(bool value) { return std::int32_t{value ? -1 : 0}; }

bool SameValue(const PropertyValue& a, const PropertyValue& b) {
    auto number = [](const PropertyValue& v) -> std::optional<double> {
        if (auto* i = std::get_if<std::int32_t>(&v)) return static_cast<double>(*i);
        if (auto* d = std::get_if<double>(&v)) return *d;
        return std::nullopt;
    };
    auto na = number(a), nb = number(b);
    if (na || nb) return na && nb && *na == *nb;
    if (auto* s = std::get_if<std::string>(&a)) {
        auto* t = std::get_if<std::string>(&b);
        return t && *s == *t;
    }
    if (auto* f = std::get_if<FontRef>(&a)) {
        auto* g = std::get_if<FontRef>(&b);
        if (!g) return !*f && std::holds_alternative<PictureRef>(b) && !std::get<PictureRef>(b);
        if (!*f || !*g) return !*f && !*g;
        return (*f)->SameAs(**g);
    }
    const auto& p = std::get<PictureRef>(a);
    if (auto* f = std::get_if<FontRef>(&b)) return !p && !*f;  // "no object" is untyped
    const auto& q = std::get<PictureRef>(b);
    if (!p || !q) return !p && !q;
    return SamePicture(*p, *q);
}

std::string PropertyBag::LowerName(std::string_view name) { return base::FoldCase(name); }

namespace {
bool IsNoObject(const PropertyValue& v) {
    if (auto* f = std::get_if<FontRef>(&v)) return !*f;
    if (auto* p = std::get_if<PictureRef>(&v)) return !*p;
    return false;
}
}  // namespace

PropertyBag::Entry* PropertyBag::FindMutable(std::string_view name) {
    for (auto& e : entries_) {
        if (base::EqualsNoCase(e.name, name)) return &e;
    }
    return nullptr;
}

const PropertyBag::Entry* PropertyBag::Find(std::string_view name) const {
    for (const auto& e : entries_) {
        if (base::EqualsNoCase(e.name, name)) return &e;
    }
    return nullptr;
}

void PropertyBag::Write(std::string_view name, PropertyValue value) {
    if (IsNoObject(value)) {
        Remove(name);
        return;
    }
    if (Entry* e = FindMutable(name)) {
        e->value = std::move(value);
        e->offset = FormatError::kNoOffset;
        return;
    }
    entries_.push_back(Entry{LowerName(name), std::move(value), FormatError::kNoOffset});
}

void PropertyBag::Write(std::string_view name, PropertyValue value, const PropertyValue& defaultValue) {
    if (SameValue(value, defaultValue)) {
        Remove(name);
        return;
    }
    Write(name, std::move(value));
}

void PropertyBag::WriteFront(std::string_view name, PropertyValue value) {
    Remove(name);
    if (IsNoObject(value)) return;
    entries_.insert(entries_.begin(), Entry{LowerName(name), std::move(value), FormatError::kNoOffset});
}

bool PropertyBag::Remove(std::string_view name) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (base::EqualsNoCase(it->name, name)) {
            entries_.erase(it);
            return true;
        }
    }
    return false;
}

PropertyValue PropertyBag::Read(std::string_view name, const PropertyValue& defaultValue) const {
    const Entry* e = Find(name);
    return e ? e->value : defaultValue;
}

std::int32_t PropertyBag::ReadInt32(std::string_view name, std::int32_t defaultValue) const {
    const Entry* e = Find(name);
    if (!e) return defaultValue;
    if (auto* i = std::get_if<std::int32_t>(&e->value)) return *i;
    if (auto* d = std::get_if<double>(&e->value)) return ToInt32(*e, *d);
    if (auto* s = std::get_if<std::string>(&e->value)) {
        auto n = ParseNumber(*s);
        if (!n) ConversionError(*e, "a string that is not a number where an integer is needed");
        return ToInt32(*e, *n);
    }
    ConversionError(*e, std::string(TypeWord(e->value)) + " where an integer is needed");
}

double PropertyBag::ReadDouble(std::string_view name, double defaultValue) const {
    const Entry* e = Find(name);
    if (!e) return defaultValue;
    if (auto* i = std::get_if<std::int32_t>(&e->value)) return *i;
    if (auto* d = std::get_if<double>(&e->value)) return *d;
    if (auto* s = std::get_if<std::string>(&e->value)) {
        auto n = ParseNumber(*s);
        if (!n) ConversionError(*e, "a string that is not a number where a number is needed");
        return *n;
    }
    ConversionError(*e, std::string(TypeWord(e->value)) + " where a number is needed");
}

bool PropertyBag::ReadBool(std::string_view name, bool defaultValue) const {
    const Entry* e = Find(name);
    if (!e) return defaultValue;
    if (auto* i = std::get_if<std::int32_t>(&e->value)) return *i != 0;
    if (auto* d = std::get_if<double>(&e->value)) return *d != 0;
    if (auto* s = std::get_if<std::string>(&e->value)) {
        std::string word = LowerName(Trim(*s));
        if (word == "true") return true;
        if (word == "false") return false;
        auto n = ParseNumber(*s);
        if (!n) ConversionError(*e, "a string that is neither a number nor True or False");
        return *n != 0;
    }
    ConversionError(*e, std::string(TypeWord(e->value)) + " where a Boolean is needed");
}

std::string PropertyBag::ReadString(std::string_view name, const std::string& defaultValue) const {
    const Entry* e = Find(name);
    if (!e) return defaultValue;
    if (auto* i = std::get_if<std::int32_t>(&e->value)) return std::to_string(*i);
    if (auto* d = std::get_if<double>(&e->value)) return base::ShortestDecimal(*d);
    if (auto* s = std::get_if<std::string>(&e->value)) return *s;
    ConversionError(*e, std::string(TypeWord(e->value)) + " where a string is needed");
}

FontRef PropertyBag::ReadFont(std::string_view name, FontRef defaultValue) const {
    const Entry* e = Find(name);
    if (!e) return defaultValue;
    if (auto* f = std::get_if<FontRef>(&e->value)) return *f;
    ConversionError(*e, std::string(TypeWord(e->value)) + " where a font object is needed");
}

PictureRef PropertyBag::ReadPicture(std::string_view name, PictureRef defaultValue) const {
    const Entry* e = Find(name);
    if (!e) return defaultValue;
    if (auto* p = std::get_if<PictureRef>(&e->value)) return *p;
    ConversionError(*e, std::string(TypeWord(e->value)) + " where a picture object is needed");
}

bool PropertyBag::operator==(const PropertyBag& other) const {
    if (entries_.size() != other.entries_.size()) return false;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        const auto& a = entries_[i];
        const auto& b = other.entries_[i];
        if (a.name != b.name || TypeOf(a.value) != TypeOf(b.value) || !SameValue(a.value, b.value)) return false;
        if (a.value.index() != b.value.index()) return false;
    }
    return true;
}

}  // namespace kavrel::persist
