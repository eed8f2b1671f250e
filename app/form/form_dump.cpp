#include "app/form/form_dump.h"

#include <cstdio>

#include "base/decimal.h"
#include "base/hex.h"
#include "persist/picture_file.h"
#include "persist/property_set.h"

namespace kavrel::app {

namespace {

using persist::FontRef;
using persist::PictureRef;

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        } else {
            out += ch;  // UTF-8 passes through
        }
    }
    return out + "\"";
}

std::string HexColour(std::uint32_t v) { return "0x" + base::HexNumber(v, 8, base::HexCase::Upper); }

std::string Number(double v) { return base::ShortestDecimal(v); }

std::string Points(std::int64_t tenThousandths) {
    return Number(static_cast<double>(tenThousandths) / 10000.0);
}

std::string FontText(const StdFont& f) {
    std::string s = "font " + Quote(f.name) + " " + Points(f.size) + " pt, weight " + std::to_string(f.weight) +
                     ", charset " + std::to_string(f.charset);
    if (f.italic) s += ", italic";
    if (f.underline) s += ", underline";
    if (f.strikethrough) s += ", strikethrough";
    return s;
}

const char* FormatName(StdPicture::Format f) {
    switch (f) {
        case StdPicture::Format::Bitmap: return "bitmap";
        case StdPicture::Format::Jpeg: return "JPEG";
        case StdPicture::Format::Icon: return "icon";
        case StdPicture::Format::Unknown: break;
    }
    return "unknown format";
}

std::string PictureText(const StdPicture& p) {
    std::string s = std::string("picture ") + FormatName(p.format) + " " + std::to_string(p.width) + " x " +
                    std::to_string(p.height);
    if (int bits = persist::InspectPicture(p.bytes).bitsPerPixel) s += ", " + std::to_string(bits) + "-bit";
    return s + ", " + std::to_string(p.bytes.size()) + " bytes";
}

std::string ValueText(const std::string& name, const persist::PropertyValue& v) {
    if (auto* i = std::get_if<std::int32_t>(&v)) {
        std::string s = "integer " + std::to_string(*i);
        if (name.find("color") != std::string::npos) s += " (" + HexColour(static_cast<std::uint32_t>(*i)) + ")";
        return s;
    }
    if (auto* d = std::get_if<double>(&v)) return "double " + Number(*d);
    if (auto* s = std::get_if<std::string>(&v)) return "string " + Quote(*s);
    if (auto* f = std::get_if<FontRef>(&v)) return *f ? FontText(**f) : "no object";
    const auto& p = std::get<PictureRef>(v);
    return p ? PictureText(*p) : "no object";
}

const char* BorderName(BorderStyle b) {
    switch (b) {
        case BorderStyle::None: return "none";
        case BorderStyle::FixedSingle: return "fixed single";
        case BorderStyle::Sizable: return "sizable";
        case BorderStyle::FixedDialog: return "fixed dialog";
    }
    return "?";
}

const char* StartName(StartUpPosition p) {
    switch (p) {
        case StartUpPosition::Manual: return "manual";
        case StartUpPosition::CenterOwner: return "centred on owner";
        case StartUpPosition::CenterScreen: return "centred on screen";
        case StartUpPosition::WindowsDefault: return "system default";
    }
    return "?";
}

const char* ShapeName(ShapeKind k) {
    switch (k) {
        case ShapeKind::Rectangle: return "rectangle";
        case ShapeKind::Square: return "square";
        case ShapeKind::Oval: return "oval";
        case ShapeKind::Circle: return "circle";
        case ShapeKind::RoundedRectangle: return "rounded rectangle";
        case ShapeKind::RoundedSquare: return "rounded square";
    }
    return "?";
}

const char* YesNo(bool b) { return b ? "yes" : "no"; }

class Dumper {
public:
    std::string Run(const FormDescription& form) {
        Line(0, "class identifiers " + form.classIds[0].ToString() + " " + form.classIds[1].ToString() + " " +
                    form.classIds[2].ToString());
        DumpControl(form.window, 0);
        Line(0, "menus");
        for (const auto& m : form.menus) DumpMenu(m, 1);
        return std::move(out_);
    }

private:
    void Line(int depth, const std::string& text) {
        out_.append(static_cast<std::size_t>(depth) * 2, ' ');
        out_ += text;
        out_ += '\n';
    }

    void DumpControl(const app::Control& c, int depth) {
        std::string head = c.name + "  " + KindName(c.kind);
        if (c.IsHosted()) head += " " + c.className;
        head += "  id " + std::to_string(c.id);
        Line(depth, head);
        Properties(c, depth + 1);
        if (c.storedSet) {
            Line(depth + 1, "stored set, " + std::to_string(c.storedSet->Size()) + " keys, " +
                                std::to_string(persist::EncodePropertySet(*c.storedSet).size()) + " bytes");
            for (const auto& e : c.storedSet->Entries()) Line(depth + 2, Quote(e.name) + " = " + ValueText(e.name, e.value));
        }
        for (const auto& child : c.children) DumpControl(child, depth + 1);
    }

    void Properties(const app::Control& c, int d) {
        if (c.caption) Line(d, "caption " + Quote(*c.caption));
        if (c.font) Line(d, FontText(*c.font));
        if (c.position) {
            Line(d, "position " + std::to_string(c.position->left) + ", " + std::to_string(c.position->top) + ", " +
                        std::to_string(c.position->width) + ", " + std::to_string(c.position->height) + " twips");
        }
        if (c.clientSize) {
            Line(d, "client size " + std::to_string(c.clientSize->width) + " x " +
                        std::to_string(c.clientSize->height) + " twips");
        }
        if (c.foreColor) Line(d, "fore colour " + HexColour(*c.foreColor));
        if (c.backColor) Line(d, "back colour " + HexColour(*c.backColor));
        if (c.transparent) Line(d, std::string("background ") + (*c.transparent ? "transparent" : "opaque"));
        if (c.visible) Line(d, std::string(*c.visible ? "shown" : "hidden") + " at start");
        if (c.enabled) Line(d, std::string("enabled ") + YesNo(*c.enabled));
        if (c.value) Line(d, std::string("value ") + (*c.value ? "selected" : "not selected"));
        if (c.intervalMs) Line(d, "interval " + std::to_string(*c.intervalMs) + " ms");
        if (c.picture) Line(d, PictureText(*c.picture));
        if (c.shape) Line(d, std::string("shape ") + ShapeName(*c.shape) + " (" + std::to_string(static_cast<int>(*c.shape)) + ")");
        if (c.fillColor) Line(d, "fill colour " + HexColour(*c.fillColor));
        if (c.fillStyle) Line(d, "fill style " + std::to_string(*c.fillStyle));
        if (c.tabIndex) Line(d, "tab index " + std::to_string(*c.tabIndex));
        if (c.borderStyle) Line(d, std::string("border ") + BorderName(*c.borderStyle));
        if (c.controlBox) Line(d, std::string("control box ") + YesNo(*c.controlBox));
        if (c.minButton) Line(d, std::string("min button ") + YesNo(*c.minButton));
        if (c.maxButton) Line(d, std::string("max button ") + YesNo(*c.maxButton));
        if (c.startUpPosition) Line(d, std::string("start-up position ") + StartName(*c.startUpPosition));
        if (c.icon) Line(d, "window icon: " + PictureText(*c.icon));
    }

    void DumpMenu(const app::Control& m, int depth) {
        std::string head = m.name + "  " + (m.IsSeparator() ? std::string("separator") : Quote(m.caption.value_or(""))) +
                           "  id " + std::to_string(m.id);
        if (m.visible && !*m.visible) head += ", hidden";
        if (m.enabled && !*m.enabled) head += ", disabled";
        Line(depth, head);
        for (const auto& child : m.children) DumpMenu(child, depth + 1);
    }

    std::string out_;
};

}  // namespace

std::string DumpForm(const FormDescription& form) { return Dumper().Run(form); }

}  // namespace kavrel::app
