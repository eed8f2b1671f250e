// Fuzzes the stored property set reader. Any input is either rejected with a
// FormatError or read into a bag that writes back to exactly the same bytes;
// the bag's typed reads either convert or raise FormatError.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "persist/property_set.h"

using namespace kavrel::persist;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PropertyBag bag;
    try {
        bag = DecodePropertySet(std::span(data, size));
    } catch (const FormatError&) {
        return 0;
    }
    if (EncodePropertySet(bag) != std::vector<std::uint8_t>(data, data + size)) std::abort();
    for (const auto& e : bag.Entries()) {
        try {
            (void)bag.ReadInt32(e.name, 0);
        } catch (const FormatError&) {
        }
        try {
            (void)bag.ReadBool(e.name, false);
        } catch (const FormatError&) {
        }
        try {
            (void)bag.ReadString(e.name, "");
        } catch (const FormatError&) {
        }
    }
    return 0;
}
