// Fuzzes the window description reader. Any input is either rejected with a
// FormatError or read into a model that writes back to exactly the same
// bytes and that the dump can print.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "app/form/form_codec.h"
#include "app/form/form_dump.h"

using namespace kavrel::app;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FormDescription form;
    try {
        form = DecodeForm(std::span(data, size));
    } catch (const kavrel::persist::FormatError&) {
        return 0;
    }
    if (EncodeForm(form) != std::vector<std::uint8_t>(data, data + size)) std::abort();
    if (DumpForm(form).empty()) std::abort();
    return 0;
}
