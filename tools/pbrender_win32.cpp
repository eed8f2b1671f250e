// pbrender: renders one state of the progress bar to a 24-bit BMP file.
//
// The bar lives on a surface in memory, not in a window, so that no display
// is needed: its "window" is a bitmap of the bar's size, its events come in
// the order a window gives them (initialise, then resize). Its properties
// are set through their setters (ShowText last), and the file holds exactly
// the bar's off-screen buffer after the last of the redraws they cause: the
// same GDI buffer, drawn by the same code, as on a window.
//
// usage: pbrender --width W --height H --scrolling S --value V [options]
#include <windows.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "progressbar/gdi_canvas_win32.h"
#include "progressbar/xp_progressbar.h"
#include "progressbar/pixel_image.h"
#include "persist/picture_file.h"
#include "progressbar/pixels_win32.h"
#include "persist/property_set.h"

using namespace kavrel::persist;
using namespace kavrel::progressbar;

namespace {

constexpr const char* kUsage =
    "usage: pbrender --width W --height H --scrolling S --value V [options]\n"
    "  --width W, --height H   size of the bar in pixels (1 .. 16384)\n"
    "  --scrolling S           style: 0 segmented, 1 smooth, 2 marquee, 3 flat, 4 etched,\n"
    "                          5 shaded, 6 dark, 7 hatched, 8 picture, 9 glass\n"
    "  --value V               Value, on the range Min .. Max\n"
    "options:\n"
    "  --max M                 Max (default 100)\n"
    "  --min N                 Min (default 0)\n"
    "  --orientation O         0 horizontal (default), any other value vertical\n"
    "  --color 0xBBGGRR        bar colour (default: the highlight colour)\n"
    "  --show-text             draw the percentage text\n"
    "  --brush-style B         hatch style of the hatched style (default 0)\n"
    "  --image FILE.bmp        picture of the picture style (BMP or JPEG file)\n"
    "  --font-name NAME        font of the text (default MS Sans Serif)\n"
    "  --font-size PT          font size in points (default 8.25)\n"
    "  --font-charset N        character set of the font (default 0)\n"
    "  --out FILE.bmp          output file (default pbrender.bmp)\n"
    "  --save-set FILE         also write the bar's stored property set, the host's extent\n"
    "                          keys first (from --width/--height at 96 DPI)\n"
    "  --load-set FILE         restore the bar from a stored property set, then render;\n"
    "                          only --width, --height, --out and --save-set go with it\n";

struct Options {
    std::int32_t width = 0, height = 0, scrolling = 0, value = 0;
    bool haveWidth = false, haveHeight = false, haveScrolling = false, haveValue = false;
    std::int32_t max = 100, min = 0, orientation = 0, brushStyle = 0;
    std::optional<Colour> color;
    bool showText = false;
    std::string image, fontName, out = "pbrender.bmp";
    std::optional<double> fontSize;
    std::optional<std::int32_t> fontCharset;
    std::string saveSet, loadSet;
    bool propertyGiven = false;  // any option that sets a property of the bar
};

struct UsageError {
    std::string message;
};

std::int32_t ParseInt(std::string_view option, std::string_view text) {
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        throw UsageError{std::string(option) + " needs a 32-bit integer, not \"" + std::string(text) + "\""};
    }
    return value;
}

Colour ParseColour(std::string_view text) {
    std::uint32_t value = 0;
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) {
        throw UsageError{"--color needs a hexadecimal colour 0xBBGGRR, not \"" + std::string(text) + "\""};
    }
    const auto [end, ec] = std::from_chars(text.data() + 2, text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size()) {
        throw UsageError{"--color needs a hexadecimal colour 0xBBGGRR, not \"" + std::string(text) + "\""};
    }
    return static_cast<Colour>(value);
}

double ParsePoints(std::string_view text) {
    const std::string s(text);
    char* end = nullptr;
    const double value = std::strtod(s.c_str(), &end);
    if (s.empty() || end != s.c_str() + s.size() || !std::isfinite(value) || value <= 0 || value > 1000) {
        throw UsageError{"--font-size needs a size in points (0 .. 1000), not \"" + s + "\""};
    }
    return value;
}

Options Parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--show-text") {
            o.showText = true;
            continue;
        }
        static constexpr const char* kWithValue[] = {
            "--width", "--height", "--scrolling", "--value", "--max",       "--min",       "--orientation",
            "--color", "--brush-style", "--image", "--font-name", "--font-size", "--font-charset", "--out",
            "--save-set", "--load-set"};
        bool known = false;
        for (const char* name : kWithValue) known = known || arg == name;
        if (!known) throw UsageError{"unknown option \"" + std::string(arg) + "\""};
        if (i + 1 >= argc) throw UsageError{std::string(arg) + " needs a value"};
        const std::string_view v = argv[++i];
        if (arg == "--width") o.width = ParseInt(arg, v), o.haveWidth = true;
        else if (arg == "--height") o.height = ParseInt(arg, v), o.haveHeight = true;
        else if (arg == "--scrolling") o.scrolling = ParseInt(arg, v), o.haveScrolling = true;
        else if (arg == "--value") o.value = ParseInt(arg, v), o.haveValue = true;
        else if (arg == "--max") o.max = ParseInt(arg, v);
        else if (arg == "--min") o.min = ParseInt(arg, v);
        else if (arg == "--orientation") o.orientation = ParseInt(arg, v);
        else if (arg == "--brush-style") o.brushStyle = ParseInt(arg, v);
        else if (arg == "--color") o.color = ParseColour(v);
        else if (arg == "--image") o.image = v;
        else if (arg == "--font-name") o.fontName = v;
        else if (arg == "--font-size") o.fontSize = ParsePoints(v);
        else if (arg == "--font-charset") o.fontCharset = ParseInt(arg, v);
        else if (arg == "--save-set") o.saveSet = v;
        else if (arg == "--load-set") o.loadSet = v;
        else o.out = v;
        if (v.empty()) throw UsageError{std::string(arg) + " needs a non-empty value"};
        if (arg != "--width" && arg != "--height" && arg != "--out" && arg != "--save-set" && arg != "--load-set") {
            o.propertyGiven = true;
        }
    }
    if (!o.loadSet.empty()) {
        if (o.propertyGiven || o.showText) {
            throw UsageError{"--load-set takes the bar's properties from the set: only --width, --height, --out "
                             "and --save-set go with it"};
        }
        if (!o.haveWidth || !o.haveHeight) throw UsageError{"--width and --height are required"};
    } else if (!o.haveWidth || !o.haveHeight || !o.haveScrolling || !o.haveValue) {
        throw UsageError{"--width, --height, --scrolling and --value are required"};
    }
    if (o.fontCharset && (*o.fontCharset < 0 || *o.fontCharset > 255)) {
        throw UsageError{"--font-charset must be 0 .. 255"};
    }
    if (o.width < 1 || o.width > 16384 || o.height < 1 || o.height > 16384) {
        throw UsageError{"--width and --height must be 1 .. 16384"};
    }
    return o;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The bar's host surface in memory: what a child window gives the bar (a
// device context for its whole life, a client area, a scale mode, a back
// colour), without a window. The device context holds a bitmap compatible
// with the screen, as a window's would be, which the bar's buffer is copied
// to after each redraw.
class MemorySurface final : public Surface {
public:
    MemorySurface(int width, int height, kavrel::gdi::PictureCache& pictures)
        : width_(width), height_(height), dc_(win32::GdiBuffer::Create(width, height, &pictures)) {
        if (!dc_) throw std::runtime_error("cannot make a bitmap of the bar's size in memory");
    }
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;

    // Not a window handle: the token by which the graphics services below
    // know this surface.
    std::uintptr_t WindowHandle() const override { return reinterpret_cast<std::uintptr_t>(this); }
    Canvas& DeviceContext() override { return *dc_; }
    void SetBackColor(Colour colour) override { backColour_ = colour; }
    void SetScaleMode(std::int32_t mode) override { scaleMode_ = mode; }
    float ScaleLeft() const override { return 0.0f; }
    float ScaleTop() const override { return 0.0f; }
    float ScaleWidth() const override { return ToScale(width_, LOGPIXELSX); }
    float ScaleHeight() const override { return ToScale(height_, LOGPIXELSY); }
    void PropertyChanged(std::string_view) override {}

    Rect Client() const { return Rect{0, 0, width_, height_}; }

private:
    float ToScale(int pixels, int axis) const {
        const int dpi = GetDeviceCaps(dc_->Dc(), axis);
        if (scaleMode_ == kScalePixels || dpi <= 0) return static_cast<float>(pixels);
        return static_cast<float>(static_cast<double>(pixels) * 1440.0 / dpi);  // twips
    }

    int width_, height_;
    std::unique_ptr<win32::GdiBuffer> dc_;
    Colour backColour_ = 0x8000000F;
    std::int32_t scaleMode_ = kScaleTwips;
};

// GDI's services, with the memory surface's client area in place of a
// window's.
class MemoryGraphics final : public Graphics {
public:
    Rect ClientRect(std::uintptr_t window) const override {
        if (surface_ && window == surface_->WindowHandle()) return surface_->Client();
        return gdi_.ClientRect(window);
    }
    Colour SystemColour(std::int32_t index) const override { return gdi_.SystemColour(index); }
    std::unique_ptr<Canvas> CreateBuffer(std::int32_t width, std::int32_t height) override {
        return gdi_.CreateBuffer(width, height);
    }
    kavrel::gdi::PictureCache& Pictures() { return gdi_.Pictures(); }
    void Attach(const MemorySurface& surface) { surface_ = &surface; }

private:
    win32::GdiGraphics gdi_;
    const MemorySurface* surface_ = nullptr;
};

void Configure(XP_ProgressBar& bar, const Options& o) {
    bar.SetMax(o.max);
    bar.SetMin(o.min);
    bar.SetBrushStyle(o.brushStyle);
    if (!o.fontName.empty() || o.fontSize || o.fontCharset) {
        auto font = std::make_shared<StdFont>(*bar.Font());
        if (!o.fontName.empty()) font->name = o.fontName;
        if (o.fontSize) font->size = static_cast<std::int64_t>(std::llround(*o.fontSize * 10000.0));
        if (o.fontCharset) font->charset = static_cast<std::int16_t>(*o.fontCharset);
        bar.SetFont(font);
    }
    if (!o.image.empty()) {
        bar.SetImage(std::make_shared<StdPicture>(PictureFromFile(ReadFile(o.image))));
    }
    if (o.color) bar.SetColor(*o.color);
    bar.SetOrientation(o.orientation);
    bar.SetScrolling(o.scrolling);
    bar.SetValue(o.value);
    if (o.showText) bar.SetShowText(true);
}

int Render(const Options& o) {
    MemoryGraphics graphics;
    MemorySurface surface(o.width, o.height, graphics.Pictures());
    graphics.Attach(surface);
    XP_ProgressBar bar(surface, graphics);
    // The events a new, hidden child window gives: initialise, then resize.
    bar.Initialize();
    bar.Resize();
    struct Terminate {
        XP_ProgressBar& bar;
        ~Terminate() { bar.Terminate(); }
    } terminate{bar};

    if (!o.loadSet.empty()) {
        bar.ReadProperties(DecodePropertySet(ReadFile(o.loadSet)));
    } else {
        Configure(bar, o);
    }
    if (!o.saveSet.empty()) {
        PropertyBag bag;
        bar.WriteProperties(bag);
        // The host's own keys: the control's size at 96 DPI, 15 twips a pixel.
        WriteExtentKeysFromTwips(bag, o.width * 15, o.height * 15);
        const std::vector<std::uint8_t> set = EncodePropertySet(bag);
        std::ofstream out(o.saveSet, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(set.data()), static_cast<std::streamsize>(set.size()));
        if (!out.flush()) throw std::runtime_error("cannot write " + o.saveSet);
    }

    const auto* buffer = dynamic_cast<const win32::GdiCanvas*>(bar.Buffer());
    if (!buffer) throw std::runtime_error("the bar has no off-screen buffer");
    const PixelImage image = win32::CapturePixels(buffer->Dc(), 0, 0, bar.BufferWidth(), bar.BufferHeight());
    if (image.pixels.empty()) throw std::runtime_error("cannot read the off-screen buffer back");
    const std::vector<std::uint8_t> bmp = EncodeBmp24(image);
    std::ofstream out(o.out, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + o.out);
    std::printf("%s: %dx%d, Value %d, %d %%\n", o.out.c_str(), image.width, image.height, bar.Value(), bar.Percent());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options options;
    try {
        options = Parse(argc, argv);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "pbrender: %s\n%s", e.message.c_str(), kUsage);
        return 2;
    }
    try {
        return Render(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pbrender: %s\n", e.what());
        return 1;
    }
}
