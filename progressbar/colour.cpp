#include "progressbar/colour.h"

#include <algorithm>

#include "base/number.h"
#include "progressbar/arithmetic.h"

namespace kavrel::progressbar {

namespace {

std::int32_t Channel(std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, 255)); }

std::int32_t Channel(double v) {
    const double r = base::RoundHalfEven(v);
    return r <= 0.0 ? 0 : r >= 255.0 ? 255 : static_cast<std::int32_t>(r);
}

}  // namespace

Colour Rgb(std::int32_t red, std::int32_t green, std::int32_t blue) {
    return Channel(std::int64_t{red}) + Channel(std::int64_t{green}) * 256 + Channel(std::int64_t{blue}) * 65536;
}

Colour LightenColor(Colour rgb, std::int32_t amount) {
    const std::int64_t a = amount;
    const auto lighten = [a](std::int32_t c) { return Channel(a + ((255 - a) * c) / 255); };
    return Rgb(lighten(RedOf(rgb)), lighten(GreenOf(rgb)), lighten(BlueOf(rgb)));
}

Colour BlendColors(Colour a, Colour b, std::int32_t weight) {
    const double w = weight;
    const auto mix = [w](std::int32_t ca, std::int32_t cb) {
        return Channel((255.0 - w) * cb / 255.0 + w * ca / 255.0);
    };
    return Rgb(mix(RedOf(a), RedOf(b)), mix(GreenOf(a), GreenOf(b)), mix(BlueOf(a), BlueOf(b)));
}

ColourRamp::ColourRamp(Colour endColour, Colour startColour, std::int32_t steps)
    : end_{static_cast<float>(RedOf(endColour)), static_cast<float>(GreenOf(endColour)),
           static_cast<float>(BlueOf(endColour))} {
    if (steps == 0) return;
    const float start[3] = {static_cast<float>(RedOf(startColour)), static_cast<float>(GreenOf(startColour)),
                            static_cast<float>(BlueOf(startColour))};
    for (int c = 0; c < 3; ++c) {
        step_[c] = static_cast<float>((static_cast<double>(start[c]) - static_cast<double>(end_[c])) /
                                      static_cast<double>(steps));
    }
}

Colour ColourRamp::At(std::int32_t line) const {
    const auto channel = [&](int c) {
        return Channel(static_cast<double>(end_[c]) + static_cast<double>(step_[c]) * static_cast<double>(line));
    };
    return Rgb(channel(0), channel(1), channel(2));
}

}  // namespace kavrel::progressbar
