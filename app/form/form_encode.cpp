// Writes the window description: records in stacking order, structure
// bytes between them, the menus last.
#include "app/form/form_codec.h"

#include <algorithm>
#include <limits>
#include <set>
#include <stdexcept>

#include "app/form/form_codec_rules.h"
#include "base/utf.h"
#include "persist/property_set.h"

namespace kavrel::app {

using persist::ByteWriter;
using namespace codec;

namespace {

class Encoder {
public:
    std::vector<std::uint8_t> Run(const FormDescription& form) {
        for (std::uint8_t b : kFormSignature) out_.U8(b);  // (a range insert here trips a GCC 12 false warning)
        for (const auto& id : form.classIds) out_.WriteGuid(id);
        for (std::size_t i = 0; i < kReservedBytes; ++i) out_.U8(0);
        out_.U32(0);  // total length, known at the end

        if (form.window.kind != ControlKind::Window) throw std::invalid_argument("the root record must be a window");
        if (form.window.id != 0) throw std::invalid_argument("the window's id must be 0");
        WriteTree(form.window);
        out_.U8(structure::kMenusBegin);
        for (std::size_t i = 0; i < form.menus.size(); ++i) {
            if (i > 0) out_.U8(structure::kCloseLevel);  // among menus: "another item follows"
            WriteMenu(form.menus[i]);
        }
        out_.U8(structure::kEnd);
        if (out_.Size() > std::numeric_limits<std::uint32_t>::max()) throw std::invalid_argument("description too long");
        out_.PatchU32(kFormHeaderSize - 4, static_cast<std::uint32_t>(out_.Size()));
        return out_.Take();
    }

private:
    void WriteTree(const Control& c) {
        if (c.kind == ControlKind::MenuItem) throw std::invalid_argument(c.name + ": a menu item in the control tree");
        WriteRecord(c, 0);
        if (c.children.empty()) return;
        if (!IsContainer(c.kind)) throw std::invalid_argument(c.name + ": a " + KindName(c.kind) + " holds no controls");
        out_.U8(structure::kFirstChild);
        for (std::size_t i = 0; i < c.children.size(); ++i) {
            if (i > 0) out_.U8(structure::kNextSibling);
            if (c.children[i].kind == ControlKind::Window) throw std::invalid_argument("a window inside the window");
            WriteTree(c.children[i]);
        }
        out_.U8(structure::kCloseLevel);
    }

    void WriteMenu(const Control& item) {
        if (item.kind != ControlKind::MenuItem) throw std::invalid_argument(item.name + ": not a menu item");
        if (item.children.size() > 0xFFFF) throw std::invalid_argument(item.name + ": too many items");
        WriteRecord(item, static_cast<std::uint16_t>(item.children.size()));
        if (item.children.empty()) return;
        for (const auto& child : item.children) {
            out_.U8(structure::kCloseLevel);  // "next item": the drop-down's items follow
            WriteMenu(child);
        }
        out_.U8(structure::kNextSibling);  // among menus: "close level"
    }

    void Need(const Control& c, std::uint8_t code) {
        if (!Allowed(c.kind, code)) {
            throw std::invalid_argument(c.name + ": property " + Hex(code) + " is not one of a " + KindName(c.kind));
        }
        out_.U8(code);
    }

    static std::uint16_t Fits16(const Control& c, std::int64_t v, bool isSigned, const char* what) {
        std::int64_t lo = isSigned ? std::numeric_limits<std::int16_t>::min() : 0;
        std::int64_t hi = isSigned ? std::numeric_limits<std::int16_t>::max() : 0xFFFF;
        if (v < lo || v > hi) throw std::invalid_argument(c.name + ": " + what + " does not fit 16 bits");
        return static_cast<std::uint16_t>(v);
    }

    void Ascii(const Control& c, const std::string& text, bool (*ok)(unsigned char), const char* what) {
        if (text.empty() || text.size() > 0xFFFF ||
            !std::all_of(text.begin(), text.end(), [ok](char ch) { return ok(static_cast<unsigned char>(ch)); })) {
            throw std::invalid_argument("\"" + c.name + "\": bad " + what + " \"" + text + "\"");
        }
        out_.U16(static_cast<std::uint16_t>(text.size()));
        out_.Bytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
        out_.U8(0);
    }

    void Bool(const Control& c, std::uint8_t code, const std::optional<bool>& v) {
        if (!v) return;
        Need(c, code);
        out_.U8(*v ? 1 : 0);
    }

    void Colour(const Control& c, std::uint8_t code, const std::optional<app::Colour>& v) {
        if (!v) return;
        Need(c, code);
        out_.U32(*v);
    }

    void WriteRecord(const Control& c, std::uint16_t subMenuCount) {
        if (!names_.insert(PropertyBag::LowerName(c.name)).second) {
            throw std::invalid_argument("the name " + c.name + " is used twice");
        }
        if (!ids_.insert(c.id).second) throw std::invalid_argument(c.name + ": id " + std::to_string(c.id) + " is used twice");
        if (c.id == 0 && c.kind != ControlKind::Window) throw std::invalid_argument(c.name + ": id 0 is the window's");

        std::size_t start = out_.Size();
        out_.U32(0);
        out_.U8(c.id);
        Ascii(c, c.name, IsNameChar, "name");
        out_.U8(static_cast<std::uint8_t>(c.kind));
        if (c.kind == ControlKind::Hosted) {
            Ascii(c, c.className, IsClassNameChar, "class name");
        } else if (!c.className.empty()) {
            throw std::invalid_argument(c.name + ": only hosted components have a class name");
        }

        using namespace prop;
        if (c.caption) {
            Need(c, kCaption);
            if (!base::Utf8ToUtf16(*c.caption, base::Invalid::Refuse) || c.caption->size() > 0xFFFF) {
                throw std::invalid_argument(c.name + ": caption is not UTF-8 text of at most 65535 bytes");
            }
            out_.U16(static_cast<std::uint16_t>(c.caption->size()));
            out_.Bytes(std::span(reinterpret_cast<const std::uint8_t*>(c.caption->data()), c.caption->size()));
        }
        if (c.font) {
            Need(c, kFont);
            persist::WriteFontForm(out_, *c.font);
        }
        if (c.position) {
            Need(c, kPosition);
            out_.U16(Fits16(c, c.position->left, true, "left"));
            out_.U16(Fits16(c, c.position->top, true, "top"));
            out_.U16(Fits16(c, c.position->width, true, "width"));
            out_.U16(Fits16(c, c.position->height, true, "height"));
        }
        Colour(c, kForeColor, c.foreColor);
        Colour(c, kBackColor, c.backColor);
        if (c.transparent) {
            Need(c, kBackStyle);
            out_.U8(*c.transparent ? 0 : 1);
        }
        Bool(c, kVisible, c.visible);
        Bool(c, kEnabled, c.enabled);
        Bool(c, kValue, c.value);
        if (c.intervalMs) {
            Need(c, kInterval);
            out_.U32(*c.intervalMs);
        }
        if (c.picture) {
            Need(c, kPicture);
            persist::WritePictureForm(out_, *c.picture);
        }
        if (c.shape) {
            if (static_cast<std::uint8_t>(*c.shape) > 5) throw std::invalid_argument(c.name + ": unknown shape");
            Need(c, kShape);
            out_.U8(static_cast<std::uint8_t>(*c.shape));
        }
        Colour(c, kFillColor, c.fillColor);
        if (c.fillStyle) {
            if (*c.fillStyle > 7) throw std::invalid_argument(c.name + ": unknown fill style");
            Need(c, kFillStyle);
            out_.U8(*c.fillStyle);
        }
        if (c.tabIndex) {
            Need(c, kTabIndex);
            out_.U16(*c.tabIndex);
        }
        if (c.clientSize) {
            Need(c, kClientSize);
            out_.U16(Fits16(c, c.clientSize->width, false, "client width"));
            out_.U16(Fits16(c, c.clientSize->height, false, "client height"));
        }
        if (c.borderStyle) {
            if (static_cast<std::uint8_t>(*c.borderStyle) > 3) throw std::invalid_argument(c.name + ": unknown border");
            Need(c, kBorderStyle);
            out_.U8(static_cast<std::uint8_t>(*c.borderStyle));
        }
        Bool(c, kControlBox, c.controlBox);
        Bool(c, kMinButton, c.minButton);
        Bool(c, kMaxButton, c.maxButton);
        if (c.startUpPosition) {
            if (static_cast<std::uint8_t>(*c.startUpPosition) > 3) {
                throw std::invalid_argument(c.name + ": unknown start-up position");
            }
            Need(c, kStartUpPosition);
            out_.U8(static_cast<std::uint8_t>(*c.startUpPosition));
        }
        if (c.icon) {
            Need(c, kIcon);
            persist::WritePictureForm(out_, *c.icon);
        }
        if (subMenuCount > 0) {
            Need(c, kSubMenuCount);
            out_.U16(subMenuCount);
        }
        if (c.storedSet) {
            Need(c, kStoredSet);
            auto set = persist::EncodePropertySet(*c.storedSet);
            out_.Bytes(kStoredSetMarker);
            out_.U32(static_cast<std::uint32_t>(set.size()));
            out_.Bytes(set);
        }
        out_.U8(prop::kEndMarker);
        if (out_.Size() - start > std::numeric_limits<std::uint32_t>::max()) {
            throw std::invalid_argument(c.name + ": record too long");
        }
        out_.PatchU32(start, static_cast<std::uint32_t>(out_.Size() - start));
    }

    ByteWriter out_;
    std::set<std::string> names_;
    std::set<std::uint8_t> ids_;
};

}  // namespace

std::vector<std::uint8_t> EncodeForm(const FormDescription& form) { return Encoder().Run(form); }

}  // namespace kavrel::app
