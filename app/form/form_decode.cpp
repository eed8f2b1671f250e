// Reads the window description strictly: every length, offset and code is
// checked, and whatever the writer would not have written is refused.
#include "app/form/form_codec.h"

#include <set>
#include <stdexcept>

#include "app/form/form_codec_rules.h"
#include "base/utf.h"
#include "persist/property_set.h"

namespace kavrel::app {

using persist::ByteReader;
using namespace codec;

namespace {

class Decoder {
public:
    explicit Decoder(std::span<const std::uint8_t> bytes) : bytes_(bytes), in_(bytes) {}

    FormDescription Run() {
        FormDescription form;
        auto signature = in_.Bytes(sizeof kFormSignature, "signature");
        if (!std::equal(signature.begin(), signature.end(), std::begin(kFormSignature))) {
            ByteReader::Fail("signature", 0, "not FF CC 31 00 25: not a stored window description");
        }
        form.classIds[0] = in_.ReadGuid("window class identifier");
        form.classIds[1] = in_.ReadGuid("window interface identifier");
        form.classIds[2] = in_.ReadGuid("form class identifier");
        for (std::size_t i = 0; i < kReservedBytes; ++i) {
            std::size_t at = in_.Offset();
            if (in_.U8("reserved bytes") != 0) ByteReader::Fail("reserved bytes", at, "not zero");
        }
        std::size_t at = in_.Offset();
        std::uint32_t total = in_.U32("total length");
        if (total != bytes_.size()) {
            ByteReader::Fail("total length", at,
                             "says " + std::to_string(total) + " bytes, the data has " + std::to_string(bytes_.size()));
        }

        std::size_t rootAt = in_.Offset();
        auto [next, nextAt] = ReadSubtree(form.window, 0);
        if (form.window.kind != ControlKind::Window) ByteReader::Fail("kind", rootAt, "the first record is not the window");
        if (next != structure::kMenusBegin) {
            ByteReader::Fail("structure byte", nextAt, "expected 0x05 after the control tree, found " + Hex(next));
        }

        // A lone 0x04 as the last byte ends the description; anything else
        // after 0x05 is the first menu record.
        if (in_.Remaining() != 1) {
            while (true) {
                form.menus.emplace_back();
                ReadMenu(form.menus.back(), 0);
                at = in_.Offset();
                std::uint8_t b = in_.U8("structure byte");
                if (b == structure::kEnd) break;
                if (b != structure::kCloseLevel) {
                    ByteReader::Fail("structure byte", at, "expected 0x02 or 0x04 between menu items, found " + Hex(b));
                }
            }
        } else {
            at = in_.Offset();
            std::uint8_t b = in_.U8("structure byte");
            if (b != structure::kEnd) ByteReader::Fail("structure byte", at, "expected 0x04, found " + Hex(b));
        }
        if (!in_.AtEnd()) {
            ByteReader::Fail("end of description", in_.Offset(),
                             std::to_string(in_.Remaining()) + " bytes follow the end byte 0x04");
        }
        return form;
    }

private:
    struct Next {
        std::uint8_t byte;
        std::size_t offset;
    };

    Next ReadByte() {
        std::size_t at = in_.Offset();
        return {in_.U8("structure byte"), at};
    }

    // A record and its children; returns the structure byte after them.
    Next ReadSubtree(Control& c, int depth) {
        std::size_t at = in_.Offset();
        ReadRecord(c);
        if (c.kind == ControlKind::MenuItem) ByteReader::Fail("kind", at + 4, "a menu item before the menus begin");
        if (depth > 0 && c.kind == ControlKind::Window) ByteReader::Fail("kind", at + 4, "a window inside the window");
        if (depth == 0 && c.kind != ControlKind::Window) ByteReader::Fail("kind", at + 4, "the first record is not the window");
        Next next = ReadByte();
        if (next.byte != structure::kFirstChild) return next;
        if (!IsContainer(c.kind)) {
            ByteReader::Fail("structure byte", next.offset, std::string("a ") + KindName(c.kind) + " holds no controls");
        }
        if (depth >= kMaxDepth) ByteReader::Fail("structure byte", next.offset, "controls nested too deeply");
        while (true) {
            c.children.emplace_back();
            next = ReadSubtree(c.children.back(), depth + 1);
            if (next.byte == structure::kNextSibling) continue;
            if (next.byte == structure::kCloseLevel) return ReadByte();
            ByteReader::Fail("structure byte", next.offset, "expected 0x02 or 0x03 after a child, found " + Hex(next.byte));
        }
    }

    void ReadMenu(Control& item, int depth) {
        std::size_t at = in_.Offset();
        std::uint16_t count = ReadRecord(item);
        if (item.kind != ControlKind::MenuItem) ByteReader::Fail("kind", at + 4, "not a menu item among the menus");
        if (count == 0) return;
        if (depth >= kMaxDepth) ByteReader::Fail("sub-menu item count", at, "menus nested too deeply");
        for (std::uint16_t i = 0; i < count; ++i) {
            Next b = ReadByte();
            if (b.byte != structure::kCloseLevel) {
                ByteReader::Fail("structure byte", b.offset, "expected 0x02 before a drop-down item, found " + Hex(b.byte));
            }
            item.children.emplace_back();
            ReadMenu(item.children.back(), depth + 1);
        }
        Next b = ReadByte();
        if (b.byte != structure::kNextSibling) {
            ByteReader::Fail("structure byte", b.offset, "expected 0x03 closing a drop-down menu, found " + Hex(b.byte));
        }
    }

    std::string Ascii(ByteReader& rec, const char* lengthField, const char* field, const char* terminatorField,
                      bool (*ok)(unsigned char)) {
        std::uint16_t length = rec.U16(lengthField);
        std::size_t at = rec.Offset();
        auto bytes = rec.Bytes(length, field);
        if (length == 0) ByteReader::Fail(field, at, "empty");
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (!ok(bytes[i])) ByteReader::Fail(field, at + i, "character " + Hex(bytes[i]) + " not allowed");
        }
        std::size_t zeroAt = rec.Offset();
        if (rec.U8(terminatorField) != 0) ByteReader::Fail(terminatorField, zeroAt, "not zero");
        return std::string(bytes.begin(), bytes.end());
    }

    static bool ReadBool(ByteReader& rec, const char* field) {
        std::size_t at = rec.Offset();
        std::uint8_t v = rec.U8(field);
        if (v > 1) ByteReader::Fail(field, at, "must be 0 or 1, is " + std::to_string(v));
        return v == 1;
    }

    static std::uint8_t ReadSmall(ByteReader& rec, const char* field, std::uint8_t max) {
        std::size_t at = rec.Offset();
        std::uint8_t v = rec.U8(field);
        if (v > max) ByteReader::Fail(field, at, "unknown value " + std::to_string(v));
        return v;
    }

    // Returns the record's sub-menu item count (0 when absent).
    std::uint16_t ReadRecord(Control& c) {
        std::size_t start = in_.Offset();
        std::uint32_t length = in_.U32("record length");
        if (length < 4 + 1 + 2 + 1 + 1 + 1) ByteReader::Fail("record length", start, "too short for a record");
        if (length - 4 > in_.Remaining()) {
            ByteReader::Fail("record length", start,
                             std::to_string(length) + " bytes run past the end of the description");
        }
        ByteReader rec = in_.Sub(length - 4, "record");

        std::size_t at = rec.Offset();
        c.id = rec.U8("control id");
        if (!ids_.insert(c.id).second) ByteReader::Fail("control id", at, std::to_string(c.id) + " is used twice");
        std::size_t nameAt = rec.Offset() + 2;
        c.name = Ascii(rec, "name length", "name", "name terminator", IsNameChar);
        if (!names_.insert(PropertyBag::LowerName(c.name)).second) {
            ByteReader::Fail("name", nameAt, c.name + " is used twice");
        }
        at = rec.Offset();
        std::uint8_t kind = rec.U8("kind");
        if (!KnownKind(kind)) ByteReader::Fail("kind", at, "unknown kind " + std::to_string(kind));
        c.kind = static_cast<ControlKind>(kind);
        if ((c.id == 0) != (c.kind == ControlKind::Window)) {
            ByteReader::Fail("control id", start + 4, "id 0 is the window's, and the window's only");
        }
        if (c.kind == ControlKind::Hosted) {
            c.className = Ascii(rec, "class name length", "class name", "class name terminator", IsClassNameChar);
        }

        std::uint16_t subMenuCount = 0;
        int last = -1;
        while (true) {
            at = rec.Offset();
            if (rec.AtEnd()) ByteReader::Fail("end marker", at, "record ends without its end marker 0xFF");
            std::uint8_t code = rec.U8("property code");
            if (code == prop::kEndMarker) {
                if (!rec.AtEnd()) {
                    ByteReader::Fail("end marker", at,
                                     "record length leaves " + std::to_string(rec.Remaining()) + " bytes after it");
                }
                break;
            }
            if (!Allowed(c.kind, code)) {
                ByteReader::Fail("property code", at, Hex(code) + " is not a property of a " + KindName(c.kind));
            }
            if (code <= last) ByteReader::Fail("property code", at, Hex(code) + " out of order or repeated");
            last = code;
            ReadProperty(rec, c, code, subMenuCount);
        }
        return subMenuCount;
    }

    void ReadProperty(ByteReader& rec, Control& c, std::uint8_t code, std::uint16_t& subMenuCount) {
        using namespace prop;
        std::size_t at = rec.Offset();
        switch (code) {
            case kCaption: {
                std::uint16_t length = rec.U16("caption length");
                at = rec.Offset();
                auto bytes = rec.Bytes(length, "caption");
                std::string text(bytes.begin(), bytes.end());
                if (!base::Utf8ToUtf16(text, base::Invalid::Refuse)) ByteReader::Fail("caption", at, "not valid UTF-8");
                c.caption = std::move(text);
                break;
            }
            case kFont: c.font = persist::ReadFontForm(rec); break;
            case kPosition: {
                TwipsRect r;
                r.left = rec.I16("position left");
                r.top = rec.I16("position top");
                r.width = rec.I16("position width");
                r.height = rec.I16("position height");
                c.position = r;
                break;
            }
            case kForeColor: c.foreColor = rec.U32("fore colour"); break;
            case kBackColor: c.backColor = rec.U32("back colour"); break;
            case kBackStyle: c.transparent = !ReadBool(rec, "back style"); break;
            case kVisible: c.visible = ReadBool(rec, "visible"); break;
            case kEnabled: c.enabled = ReadBool(rec, "enabled"); break;
            case kValue: c.value = ReadBool(rec, "value"); break;
            case kInterval: c.intervalMs = rec.U32("interval"); break;
            case kPicture: c.picture = persist::ReadPictureForm(rec); break;
            case kShape: c.shape = static_cast<ShapeKind>(ReadSmall(rec, "shape", 5)); break;
            case kFillColor: c.fillColor = rec.U32("fill colour"); break;
            case kFillStyle: c.fillStyle = ReadSmall(rec, "fill style", 7); break;
            case kTabIndex: c.tabIndex = rec.U16("tab index"); break;
            case kClientSize: {
                TwipsSize s;
                s.width = rec.U16("client width");
                s.height = rec.U16("client height");
                c.clientSize = s;
                break;
            }
            case kBorderStyle: c.borderStyle = static_cast<BorderStyle>(ReadSmall(rec, "border style", 3)); break;
            case kControlBox: c.controlBox = ReadBool(rec, "control box"); break;
            case kMinButton: c.minButton = ReadBool(rec, "min button"); break;
            case kMaxButton: c.maxButton = ReadBool(rec, "max button"); break;
            case kStartUpPosition:
                c.startUpPosition = static_cast<StartUpPosition>(ReadSmall(rec, "start-up position", 3));
                break;
            case kIcon: c.icon = persist::ReadPictureForm(rec); break;
            case kSubMenuCount:
                subMenuCount = rec.U16("sub-menu item count");
                if (subMenuCount == 0) ByteReader::Fail("sub-menu item count", at, "zero (the entry is left out then)");
                break;
            case kStoredSet: {
                auto marker = rec.Bytes(4, "stored set marker");
                if (!std::equal(marker.begin(), marker.end(), std::begin(kStoredSetMarker))) {
                    ByteReader::Fail("stored set marker", at, "not 4C 42 09 00");
                }
                at = rec.Offset();
                std::uint32_t length = rec.U32("stored set length");
                if (length > rec.Remaining()) {
                    ByteReader::Fail("stored set length", at,
                                     std::to_string(length) + " bytes run past the end of the record");
                }
                std::size_t setAt = rec.Offset();
                auto set = rec.Bytes(length, "stored set");
                c.storedSet = persist::DecodePropertySet(set, setAt);
                c.storedSetBytes.assign(set.begin(), set.end());
                break;
            }
            default:
                ByteReader::Fail("property code", at - 1, "unknown code " + Hex(code));
        }
    }

    std::span<const std::uint8_t> bytes_;
    ByteReader in_;
    std::set<std::string> names_;
    std::set<std::uint8_t> ids_;
};

}  // namespace

FormDescription DecodeForm(std::span<const std::uint8_t> bytes) { return Decoder(bytes).Run(); }

FormDescription LoadForm1(std::span<const std::uint8_t> bytes) {
    FormDescription form = DecodeForm(bytes);
    struct Need {
        const char* name;
        ControlKind kind;
    };
    static constexpr Need needed[] = {
        {"Form1", ControlKind::Window},        {"Adsl1", ControlKind::OptionButton},
        {"Modem1", ControlKind::OptionButton}, {"Lan1", ControlKind::OptionButton},
        {"r33", ControlKind::OptionButton},    {"r56", ControlKind::OptionButton},
        {"r64", ControlKind::OptionButton},    {"r128", ControlKind::OptionButton},
        {"r512", ControlKind::OptionButton},   {"r1024", ControlKind::OptionButton},
        {"Timer3", ControlKind::Timer},        {"Label1", ControlKind::Label},
        {"Label2", ControlKind::Label},        {"Image4", ControlKind::Picture},
        {"Shape1", ControlKind::Shape},        {"Bar1", ControlKind::Hosted},
        {"Bar2", ControlKind::Hosted},         {"command1", ControlKind::Hosted},
        {"KavrelCmd1", ControlKind::Hosted},   {"exit", ControlKind::MenuItem},
        {"opti", ControlKind::MenuItem},       {"propos", ControlKind::MenuItem},
        {"site", ControlKind::MenuItem},
    };
    for (const auto& n : needed) {
        try {
            (void)form.Get(n.name, n.kind);
        } catch (const std::logic_error& e) {
            throw std::runtime_error(std::string("not Form1's description: ") + e.what());
        }
    }
    return form;
}

}  // namespace kavrel::app
