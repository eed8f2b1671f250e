// The bar's number and colour arithmetic: rounding with halves to even, the
// Value range mapping with its errors, lightening, blending and the colour
// steps of a ramp.
#include <gtest/gtest.h>

#include <limits>

#include "base/number.h"
#include "progressbar/arithmetic.h"
#include "progressbar/colour.h"

using namespace kavrel::progressbar;

namespace {

constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(kavrel::base::RoundHalfEven(0.5), 0.0);
    EXPECT_EQ(kavrel::base::RoundHalfEven(1.5), 2.0);
    EXPECT_EQ(kavrel::base::RoundHalfEven(2.5), 2.0);
    EXPECT_EQ(kavrel::base::RoundHalfEven(12.5), 12.0);
    EXPECT_EQ(kavrel::base::RoundHalfEven(-2.5), -2.0);
    EXPECT_EQ(kavrel::base::RoundHalfEven(-3.5), -4.0);
    EXPECT_EQ(kavrel::base::RoundHalfEven(2.5000000001), 3.0);
    EXPECT_EQ(kavrel::base::RoundHalfEven(0.49999999999999994), 0.0);
    EXPECT_EQ(kavrel::base::RoundHalfEven(-0.7), -1.0);
}

TEST(Rounding, ResultsOutside32BitsAreOverflowErrors) {
    EXPECT_EQ(NearestInt32(2147483647.4, "x"), kIntMax);
    EXPECT_EQ(NearestInt32(-2147483648.5, "x"), kIntMin);  // halves to even: -2147483648
    EXPECT_THROW(NearestInt32(2147483647.5, "x"), OverflowError);
    EXPECT_THROW(NearestInt32(-2147483649.0, "x"), OverflowError);
    EXPECT_THROW(NearestInt32(std::numeric_limits<double>::quiet_NaN(), "x"), OverflowError);
    try {
        NearestInt32(1e12, "Value");
        FAIL() << "no error";
    } catch (const OverflowError& e) {
        EXPECT_NE(std::string(e.what()).find("Value"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("overflow"), std::string::npos) << e.what();
    }
}

TEST(ValueRange, ZeroMinimumIsValueTimes100OverMax) {
    EXPECT_EQ(PercentFromValue(50, 0, 100), 50);
    EXPECT_EQ(PercentFromValue(150, 0, 200), 75);
    EXPECT_EQ(PercentFromValue(1, 0, 3), 33);
    EXPECT_EQ(PercentFromValue(2, 0, 3), 67);
    EXPECT_EQ(PercentFromValue(1, 0, 8), 12);  // 12.5
    EXPECT_EQ(PercentFromValue(3, 0, 8), 38);  // 37.5
    EXPECT_EQ(PercentFromValue(-10, 0, 100), -10);
    EXPECT_EQ(PercentFromValue(21474836, 0, 100), 21474836);  // product 2147483600
    EXPECT_EQ(PercentFromValue(-21474836, 0, 1), -2147483600);
    EXPECT_EQ(ValueFromPercent(75, 0, 200), 150);
    EXPECT_EQ(ValueFromPercent(75, 0, 100), 75);
    EXPECT_EQ(ValueFromPercent(50, 0, 5), 2);  // 2.5
    EXPECT_EQ(ValueFromPercent(70, 0, 5), 4);  // 3.5
    EXPECT_EQ(ValueFromPercent(33, 0, 3), 1);
    EXPECT_EQ(ValueFromPercent(67, 0, 3), 2);
}

TEST(ValueRange, NonzeroMinimumMapsLinearlyOntoTheFullBar) {
    EXPECT_EQ(PercentFromValue(10, 10, 20), 0);
    EXPECT_EQ(PercentFromValue(15, 10, 20), 50);
    EXPECT_EQ(PercentFromValue(20, 10, 20), 100);
    EXPECT_EQ(PercentFromValue(5, 10, 20), -50);
    EXPECT_EQ(PercentFromValue(-40, -50, 50), 10);
    EXPECT_EQ(ValueFromPercent(50, 10, 20), 15);
    EXPECT_EQ(ValueFromPercent(0, 10, 20), 10);
    EXPECT_EQ(ValueFromPercent(-50, 10, 20), 5);
    EXPECT_EQ(ValueFromPercent(25, 10, 12), 10);  // 10.5 -> 10
    EXPECT_EQ(ValueFromPercent(75, 10, 12), 12);  // 11.5 -> 12
    for (std::int32_t v = -7; v <= 7; ++v) EXPECT_EQ(ValueFromPercent(PercentFromValue(v, -7, 7), -7, 7), v);
}

TEST(ValueRange, OverflowsAndEmptyRangesAreArithmeticErrors) {
    EXPECT_THROW(PercentFromValue(21474837, 0, 100), OverflowError);
    EXPECT_THROW(PercentFromValue(-21474837, 0, 100), OverflowError);
    EXPECT_THROW(PercentFromValue(kIntMax, -1, 100), OverflowError);   // value - min
    EXPECT_THROW(PercentFromValue(0, -1, kIntMax), OverflowError);     // max - min
    EXPECT_THROW(PercentFromValue(5, 0, 0), DivisionByZeroError);
    EXPECT_THROW(PercentFromValue(0, 0, 0), DivisionByZeroError);
    EXPECT_THROW(PercentFromValue(3, 7, 7), DivisionByZeroError);
    EXPECT_THROW(ValueFromPercent(-2147483600, 0, 200), OverflowError);
    EXPECT_EQ(ValueFromPercent(100, kIntMin, kIntMax), kIntMax);
    EXPECT_THROW(ValueFromPercent(101, kIntMin, kIntMax), OverflowError);
    try {
        PercentFromValue(21474837, 0, 100);
    } catch (const ArithmeticError& e) {
        EXPECT_NE(std::string(e.what()).find("21474837"), std::string::npos) << e.what();
    }
}

TEST(Colours, LightenMovesEachChannelTowardsWhiteTruncating) {
    for (Colour c : {0x000000, 0x00C56A31, 0x0000C000, 0x00FFFFFF, 0x00010203}) {
        EXPECT_EQ(LightenColor(c, 0), c) << std::hex << c;
        EXPECT_EQ(LightenColor(c, 255), 0xFFFFFF) << std::hex << c;
    }
    EXPECT_EQ(LightenColor(0x000080, 100), 0x6464B1);  // 100 + 19840 / 255 = 177
    EXPECT_EQ(LightenColor(0x00C56A31, 150), 0xE7C1AA);
    EXPECT_EQ(LightenColor(0x00C56A31, 140), 0xE4BBA2);
}

TEST(Colours, BlendMixesByWeightRoundingPerChannel) {
    EXPECT_EQ(BlendColors(0xC0C0C0, 0, 255), 0xC0C0C0);
    EXPECT_EQ(BlendColors(0x00C56A31, 0, 0), 0);
    EXPECT_EQ(BlendColors(0x00C56A31, 0x00123456, 255), 0x00C56A31);
    EXPECT_EQ(BlendColors(0x00C56A31, 0x00123456, 0), 0x00123456);
    EXPECT_EQ(BlendColors(0x00C56A31, 0, 200), 0x9B5326);  // 38.4, 83.1, 154.5
    EXPECT_EQ(BlendColors(0x00C56A31, 0, 100), 0x4D2A13);
    EXPECT_EQ(BlendColors(0xFFFFFF, 0, 128), 0x808080);
}

TEST(Colours, RampStepsInSinglePrecisionFromEndToStart) {
    const ColourRamp blue(0x000000, 0xFF0000, 3);
    EXPECT_EQ(blue.At(0), 0x000000);
    EXPECT_EQ(blue.At(1), 0x550000);
    EXPECT_EQ(blue.At(2), 0xAA0000);
    EXPECT_EQ(blue.At(3), 0xFF0000);

    // 1/6 as a float is a little above 1/6: three steps land just above one
    // half and round up, where exact arithmetic would give a half and round
    // to the even 0.
    EXPECT_EQ(ColourRamp(0x000000, 0x000001, 6).At(3), 0x000001);
    // Exact halves go to even.
    EXPECT_EQ(ColourRamp(0x000000, 0x000001, 2).At(1), 0x000000);
    EXPECT_EQ(ColourRamp(0x000001, 0x000002, 2).At(1), 0x000002);
    // Rising and falling channels together.
    const ColourRamp mixed(0x0000FF, 0x00FF00, 4);
    EXPECT_EQ(mixed.At(0), 0x0000FF);
    EXPECT_EQ(mixed.At(2), 0x008080);  // 127.5 -> 128 both ways
    EXPECT_EQ(mixed.At(4), 0x00FF00);
}

TEST(Colours, RampWithoutStepsKeepsTheEndColour) {
    const ColourRamp flat(0x00336699, 0x00FFFFFF, 0);
    EXPECT_EQ(flat.At(0), 0x00336699);
    EXPECT_EQ(flat.At(5), 0x00336699);
}

}  // namespace
