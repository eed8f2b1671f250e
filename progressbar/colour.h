// Colours of the progress bar and their arithmetic.
//
// A colour is a signed 32-bit value: non-negative, an RGB colour 0x00BBGGRR
// (red in the low byte); with the high bit set, a reference to a system
// colour whose low 31 bits are the system-colour index.
#pragma once

#include <cstdint>

namespace kavrel::progressbar {

using Colour = std::int32_t;

inline constexpr Colour kHighlightColourRef = static_cast<Colour>(0x8000000Du);  // system colour 13

// Indices of the system colours that high contrast draws with.
inline constexpr std::int32_t kSystemWindow = 5;
inline constexpr std::int32_t kSystemWindowText = 8;
inline constexpr std::int32_t kSystemHighlight = 13;
inline constexpr std::int32_t kSystemHighlightText = 14;
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kWhite = 0xFFFFFF;
inline constexpr Colour kSilver = 0xC0C0C0;

constexpr bool IsSystemColour(Colour c) { return c < 0; }
constexpr std::int32_t SystemColourIndex(Colour c) { return c & 0x7FFFFFFF; }

constexpr std::int32_t RedOf(Colour c) { return c & 0xFF; }
constexpr std::int32_t GreenOf(Colour c) { return (c >> 8) & 0xFF; }
constexpr std::int32_t BlueOf(Colour c) { return (c >> 16) & 0xFF; }

// The RGB composition; channels outside 0..255 are limited to it.
Colour Rgb(std::int32_t red, std::int32_t green, std::int32_t blue);

// Moves each channel of an RGB colour towards white by `amount` of 255:
// c' = amount + (255 - amount) x c / 255, the division truncated. Amount 0
// leaves the colour as it is, 255 gives white.
Colour LightenColor(Colour rgb, std::int32_t amount);

// Mixes two RGB colours, `weight` of 255 parts of `a` and the rest of `b`,
// per channel in double precision, rounded with halves to even. Weight 255
// gives `a`, weight 0 gives `b`; with `b` black it darkens `a` by weight/255.
Colour BlendColors(Colour a, Colour b, std::int32_t weight);

// The colours of a ramp of steps + 1 lines, line 0 in `endColour` and line
// `steps` in `startColour`. The channels and the per-line step are single
// precision (the step computed in double and then stored as float); each
// line's channel is end + step x i in double, rounded with halves to even.
// With no steps (0) there is no step to divide out: every line has the end
// colour, and only line 0 is drawn.
class ColourRamp {
public:
    ColourRamp(Colour endColour, Colour startColour, std::int32_t steps);
    Colour At(std::int32_t line) const;

private:
    float end_[3];
    float step_[3] = {0.0f, 0.0f, 0.0f};
};

}  // namespace kavrel::progressbar
