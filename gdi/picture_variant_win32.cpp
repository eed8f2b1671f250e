#include "gdi/picture_variant_win32.h"

#include <string>

#include "gdi/picture_win32.h"

namespace kavrel::gdi {

std::vector<std::uint8_t> VariantBytes(HMODULE module, const persist::StdPicture& stored, PictureStep step) {
    const std::string name = VariantResourceName(PictureHash(stored.bytes), step);
    if (name.empty() || stored.bytes.empty()) return {};
    // Resources of the module stay mapped while it is loaded: nothing to free.
    HRSRC found = FindResourceA(module, name.c_str(), MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (!found) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const DWORD size = SizeofResource(module, found);
    const auto* data = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
    if (!data || size == 0) return {};
    return std::vector<std::uint8_t>(data, data + size);
}

ChosenBitmap DecodeForDpi(HMODULE module, const persist::StdPicture& stored, unsigned dpi) {
    const PictureStep step = StepForDpi(dpi);
    if (step != PictureStep::Stored) {
        const std::vector<std::uint8_t> variant = VariantBytes(module, stored, step);
        if (!variant.empty()) {
            if (win32::UniqueBitmap bitmap = DecodePicture(variant)) return ChosenBitmap{std::move(bitmap), step};
        }
    }
    return ChosenBitmap{DecodePicture(stored.bytes), PictureStep::Stored};
}

}  // namespace kavrel::gdi
