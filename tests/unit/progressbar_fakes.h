// Stand-ins for the bar's platform: canvases that record what is drawn on
// them, a surface with a settable size, and graphics services whose buffer
// creation can be made to fail.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "progressbar/surface.h"
#include "progressbar/xp_progressbar.h"

namespace kavrel::progressbar::testing {

using Log = std::vector<std::string>;

inline std::string Hex(Colour c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(c));
    return buf;
}

inline std::string RectText(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Records every operation as one line "<name> <op> <arguments>" in a log
// shared with the other fakes, so that the order across them shows.
class RecordingCanvas final : public Canvas {
public:
    RecordingCanvas(std::string name, std::uintptr_t handle, Log& log) : name_(std::move(name)), handle_(handle), log_(log) {}

    std::uintptr_t Handle() const override { return handle_; }
    void FillRect(const Rect& rc, Colour rgb) override { Add("fill " + RectText(rc) + " " + Hex(rgb)); }
    void FrameRect(const Rect& rc, Colour rgb) override { Add("frame " + RectText(rc) + " " + Hex(rgb)); }
    void Line(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, Colour rgb) override {
        Add("line " + std::to_string(x0) + "," + std::to_string(y0) + "-" + std::to_string(x1) + "," +
            std::to_string(y1) + " " + Hex(rgb));
    }
    void SetPixel(std::int32_t x, std::int32_t y, Colour rgb) override {
        Add("pixel " + std::to_string(x) + "," + std::to_string(y) + " " + Hex(rgb));
    }
    void DrawEdge(const Rect& rc, std::uint32_t edge, std::uint32_t borders) override {
        Add("edge " + RectText(rc) + " " + std::to_string(edge) + " " + std::to_string(borders));
    }
    void FillHatched(const Rect& rc, std::int32_t style, Colour rgb) override {
        Add("hatch " + RectText(rc) + " " + std::to_string(style) + " " + Hex(rgb));
    }
    void PatternFill(const persist::StdPicture&, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override {
        Add("pattern " + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," +
            std::to_string(h));
    }
    void SetBackColour(Colour rgb) override { Add("bkcolor " + Hex(rgb)); }
    void SetTransparentBackground() override { Add("bkmode transparent"); }
    void SetTextColour(Colour rgb) override { Add("textcolor " + Hex(rgb)); }
    std::unique_ptr<Selection> SelectFont(const persist::StdFont& font) override {
        Add("font " + font.name + " " + std::to_string(font.size));
        return std::make_unique<Restore>(*this);
    }
    std::int32_t DrawText(std::string_view text, Rect& rc, std::uint32_t format) override {
        if (format & kTextCalcRect) {
            // A fixed 6 x 13 cell for every character.
            rc.right = rc.left + 6 * static_cast<std::int32_t>(text.size());
            rc.bottom = rc.top + 13;
            Add("measure " + std::string(text));
        } else {
            Add("text \"" + std::string(text) + "\" " + RectText(rc));
        }
        return 13;
    }
    void Blit(std::int32_t xDst, std::int32_t yDst, std::int32_t w, std::int32_t h, Canvas& source, std::int32_t xSrc,
              std::int32_t ySrc) override {
        Add("blit " + std::to_string(xDst) + "," + std::to_string(yDst) + " " + std::to_string(w) + "x" +
            std::to_string(h) + " from " + std::to_string(source.Handle()) + " at " + std::to_string(xSrc) + "," +
            std::to_string(ySrc));
    }

    const std::string& Name() const { return name_; }

private:
    class Restore final : public Selection {
    public:
        explicit Restore(RecordingCanvas& c) : c_(c) {}
        ~Restore() override { c_.Add("font restored"); }

    private:
        RecordingCanvas& c_;
    };
    void Add(const std::string& line) { log_.push_back(name_ + " " + line); }

    std::string name_;
    std::uintptr_t handle_;
    Log& log_;
};

class FakeGraphics final : public Graphics {
public:
    explicit FakeGraphics(Log& log) : log_(log) {}

    Rect ClientRect(std::uintptr_t window) const override {
        return window == clientOf ? Rect{0, 0, clientWidth, clientHeight} : Rect{};
    }
    Colour SystemColour(std::int32_t index) const override {
        if (auto it = systemColours.find(index); it != systemColours.end()) return it->second;
        return index == 13 ? highlight : 0x123456;
    }
    bool HighContrast() const override { return highContrast; }
    std::unique_ptr<Canvas> CreateBuffer(std::int32_t width, std::int32_t height) override {
        log_.push_back("create buffer " + std::to_string(width) + "x" + std::to_string(height));
        ++buffersMade;
        if (failBuffers) return nullptr;
        return std::make_unique<RecordingCanvas>("buffer", 1000 + buffersMade, log_);
    }

    std::uintptr_t clientOf = 42;  // the window whose client rectangle is known
    std::int32_t clientWidth = 200;
    std::int32_t clientHeight = 20;
    Colour highlight = 0x00C56A31;
    std::map<std::int32_t, Colour> systemColours;  // by index, before `highlight`
    bool highContrast = false;
    bool failBuffers = false;
    int buffersMade = 0;

private:
    Log& log_;
};

class FakeSurface final : public Surface {
public:
    explicit FakeSurface(Log& log) : screen("screen", 7, log), log_(log) {}

    std::uintptr_t WindowHandle() const override { return 42; }
    Canvas& DeviceContext() override { return screen; }
    void SetBackColor(Colour c) override { backColour = c; }
    void SetScaleMode(std::int32_t mode) override { scaleMode = mode; }
    float ScaleLeft() const override { return 0; }
    float ScaleTop() const override { return 0; }
    float ScaleWidth() const override { return width; }
    float ScaleHeight() const override { return height; }
    void PropertyChanged(std::string_view property) override {
        log_.push_back("notify " + std::string(property) + (onNotify ? " " + onNotify() : std::string()));
    }
    void LevelShown(std::int32_t percent) override { levelsShown.push_back(percent); }

    RecordingCanvas screen;
    float width = 200;
    float height = 20;
    Colour backColour = -1;
    std::int32_t scaleMode = kScaleTwips;
    std::function<std::string()> onNotify;  // what the host sees when told
    std::vector<std::int32_t> levelsShown;   // told at the end of each redraw

private:
    Log& log_;
};

// A bar on the fakes, initialised, with the log emptied.
struct FakeBar {
    Log log;
    FakeGraphics graphics{log};
    FakeSurface surface{log};
    XP_ProgressBar bar{surface, graphics};

    explicit FakeBar(std::int32_t width = 200, std::int32_t height = 20) {
        surface.width = static_cast<float>(width);
        surface.height = static_cast<float>(height);
        graphics.clientWidth = width;
        graphics.clientHeight = height;
        bar.Initialize();
        log.clear();
    }
    void Resize(float w, float h) {
        surface.width = w;
        surface.height = h;
        graphics.clientWidth = static_cast<std::int32_t>(w);
        graphics.clientHeight = static_cast<std::int32_t>(h);
        bar.Resize();
    }
    std::size_t Count(std::string_view prefix) const {
        std::size_t n = 0;
        for (const auto& line : log) n += line.rfind(prefix, 0) == 0;
        return n;
    }
    bool Redrew() const { return Count("buffer fill 0,0,") > 0 || Count("screen fill 0,0,") > 0; }
};

}  // namespace kavrel::progressbar::testing
