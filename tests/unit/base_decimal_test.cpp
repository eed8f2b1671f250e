// The shortest decimal text of a double, checked against the standard
// library's own shortest conversion (std::to_chars) on this platform: the
// stored formats write it, so the characters must be exactly the same.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "base/decimal.h"

using kavrel::base::ShortestDecimal;

namespace {

std::string Reference(double v) {
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
    EXPECT_EQ(ec, std::errc());
    return std::string(text, end);
}

double FromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

// Counts the values whose text differs and names the first few, so one run
// shows the pattern of a fault instead of stopping at the first value.
class Agreement {
public:
    void Check(double v) {
        ++checked_;
        const std::string ours = ShortestDecimal(v);
        const std::string theirs = Reference(v);
        if (ours == theirs) return;
        if (++differing_ <= 10) {
            ADD_FAILURE() << "bits 0x" << std::hex << std::bit_cast<std::uint64_t>(v) << ": wrote \"" << ours
                          << "\", to_chars writes \"" << theirs << "\"";
        }
    }
    void CheckWithNeighbours(double v) {
        Check(v);
        Check(std::nextafter(v, std::numeric_limits<double>::infinity()));
        Check(std::nextafter(v, -std::numeric_limits<double>::infinity()));
    }
    ~Agreement() { EXPECT_EQ(differing_, 0u) << "of " << checked_ << " values"; }

private:
    std::uint64_t checked_ = 0;
    std::uint64_t differing_ = 0;
};

TEST(ShortestDecimal, EverydayValuesAndTheFormsTheyTake) {
    EXPECT_EQ(ShortestDecimal(0.1), "0.1");
    EXPECT_EQ(ShortestDecimal(8.25), "8.25");
    EXPECT_EQ(ShortestDecimal(-12.5), "-12.5");
    EXPECT_EQ(ShortestDecimal(100.0), "100");
    EXPECT_EQ(ShortestDecimal(1e22), "1e+22");
    EXPECT_EQ(ShortestDecimal(0.0001), "1e-04");   // shorter than 0.0001
    EXPECT_EQ(ShortestDecimal(0.001), "0.001");    // plain wins a tie in length
    EXPECT_EQ(ShortestDecimal(1.0 / 3.0), "0.3333333333333333");
    EXPECT_EQ(ShortestDecimal(5e-324), "5e-324");
    EXPECT_EQ(ShortestDecimal(1.7976931348623157e308), "1.7976931348623157e+308");
}

TEST(ShortestDecimal, SignedZeroInfinityAndNotANumber) {
    Agreement a;
    for (double v : {0.0, -0.0, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN()}) {
        a.Check(v);
    }
    EXPECT_EQ(ShortestDecimal(-0.0), "-0");
}

// Every power of two is where the gap below a value is half the gap above,
// so the correctly rounded digits can miss while the neighbour on the other
// side reads back; powers of ten and their neighbours are where the digits
// carry into a new decade.
TEST(ShortestDecimal, AgreesAtEveryPowerOfTwoAndTenAndTheirNeighbours) {
    Agreement a;
    for (int e = -1074; e <= 1023; ++e) a.CheckWithNeighbours(std::ldexp(1.0, e));
    for (int e = -323; e <= 308; ++e) {
        double v = 0;
        const std::string text = "1e" + std::to_string(e);
        std::from_chars(text.data(), text.data() + text.size(), v);
        a.CheckWithNeighbours(v);
        a.CheckWithNeighbours(-v);
    }
}

TEST(ShortestDecimal, AgreesOnRandomBitPatterns) {
    Agreement a;
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 40000; ++i) a.Check(FromBits(random()));
    // Subnormals and values with short decimal forms, which random bits rarely hit.
    for (int i = 0; i < 10000; ++i) a.Check(FromBits(random() & 0x000FFFFFFFFFFFFFull));
    std::uniform_int_distribution<int> digits(0, 999999);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int i = 0; i < 10000; ++i) a.Check(digits(random) * std::pow(10.0, exponent(random)));
}

TEST(ShortestDecimal, AgreesOnTheValuesThePropertySetsHold) {
    Agreement a;
    // Points of a font size in ten-thousandths, and percentages.
    for (int i = -100000; i <= 100000; i += 7) a.Check(static_cast<double>(i) / 10000.0);
    for (int i = 0; i <= 1000; ++i) a.Check(i / 100.0);
}

}  // namespace
