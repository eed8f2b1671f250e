// The bar's load and save events against Bar1's and Bar2's stored sets, the
// defaults of absent keys, and a failing load.
#include <gtest/gtest.h>

#include <algorithm>

#include "persist/property_set.h"
#include "progressbar_fakes.h"
#include "stored_bytes.h"

using namespace kavrel::persist;
using namespace kavrel::progressbar;
using namespace kavrel::progressbar::testing;
using kavrel::testing::Bar2Set;
using kavrel::testing::kBar1Set;

namespace {

int Count(const Log& log, std::string_view prefix) {
    return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& l) {
        return l.rfind(prefix, 0) == 0;
    }));
}

struct Bar {
    Log log;
    FakeGraphics graphics{log};
    FakeSurface surface{log};
    XP_ProgressBar bar{surface, graphics};
    Bar() {
        surface.width = 249;
        surface.height = 9;
        graphics.clientWidth = 249;
        graphics.clientHeight = 9;
        bar.Initialize();
        log.clear();
    }
};

// The set a host stores for a bar of 3735 x 135 twips.
std::vector<std::uint8_t> Saved(const XP_ProgressBar& bar) {
    PropertyBag bag;
    bar.WriteProperties(bag);
    WriteExtentKeysFromTwips(bag, 3735, 135);
    return EncodePropertySet(bag);
}

TEST(ProgressBarPersistence, BarsConfiguredLikeBar1AndBar2SaveToTheirStoredSets) {
    Bar b;
    auto arial = std::make_shared<StdFont>();
    arial->name = "Arial";
    arial->size = 82500;
    arial->charset = 178;
    b.bar.SetFont(arial);
    b.bar.SetBrushStyle(0);
    b.bar.SetColor(0x00C56A31);
    b.bar.SetScrolling(kSmooth);
    const auto bytes = Saved(b.bar);
    EXPECT_EQ(bytes.size(), 224u);
    EXPECT_EQ(bytes, kBar1Set);

    b.bar.SetColor(0x0000C000);
    EXPECT_EQ(Saved(b.bar), Bar2Set());
}

TEST(ProgressBarPersistence, LoadingBar1GivesSmoothBlueArialAndRedrawsFiveTimes) {
    Bar b;
    const PropertyBag bag = DecodePropertySet(kBar1Set);
    b.bar.ReadProperties(bag);
    EXPECT_EQ(b.bar.Scrolling(), kSmooth);
    EXPECT_EQ(b.bar.Color(), 0x00C56A31);
    EXPECT_EQ(b.bar.Max(), 100);
    EXPECT_EQ(b.bar.Min(), 0);
    EXPECT_EQ(b.bar.Value(), 0);
    EXPECT_EQ(b.bar.Orientation(), 0);
    EXPECT_FALSE(b.bar.ShowText());
    EXPECT_EQ(b.bar.Image(), nullptr);
    ASSERT_NE(b.bar.Font(), nullptr);
    EXPECT_EQ(b.bar.Font()->name, "Arial");
    EXPECT_EQ(b.bar.Font()->size, 82500);
    EXPECT_EQ(b.bar.Font()->charset, 178);
    // The bar's font is its own object, not the bag's.
    EXPECT_NE(b.bar.Font().get(), bag.ReadFont("font").get());
    // Color, Orientation, Scrolling, ShowText and Value each redraw.
    EXPECT_EQ(Count(b.log, "screen blit"), 5);
    const Log expectedNotes = {"notify Max", "notify Min", "notify Orientation", "notify Scrolling",
                               "notify ShowText"};
    Log notes;
    std::copy_if(b.log.begin(), b.log.end(), std::back_inserter(notes),
                 [](const std::string& l) { return l.rfind("notify", 0) == 0; });
    EXPECT_EQ(notes, expectedNotes);

    Bar green;
    green.bar.ReadProperties(DecodePropertySet(Bar2Set()));
    EXPECT_EQ(green.bar.Color(), 0x0000C000);
    EXPECT_EQ(green.bar.Scrolling(), kSmooth);
}

TEST(ProgressBarPersistence, AbsentKeysTakeTheirDefaults) {
    Bar b;
    b.bar.SetBrushStyle(0);
    b.bar.SetColor(0x00123456);
    b.graphics.highlight = 0x00654321;
    b.bar.ReadProperties(PropertyBag{});
    EXPECT_EQ(b.bar.Color(), 0x00654321);  // the highlight colour's RGB now
    b.bar.SetScrolling(kHatched);
    EXPECT_TRUE(std::any_of(b.log.begin(), b.log.end(), [](const std::string& l) {
        return l.find("hatch") != std::string::npos && l.find(" 4 ") != std::string::npos;  // BrushStyle 4
    }));

    // Names match without regard to case.
    PropertyBag bag;
    bag.Write("COLOR", 0x00010203);
    bag.Write("scrolling", 3);
    Bar c;
    c.bar.ReadProperties(bag);
    EXPECT_EQ(c.bar.Color(), 0x00010203);
    EXPECT_EQ(c.bar.Scrolling(), kFlat);
}

TEST(ProgressBarPersistence, SavingStoresOnlyWhatDiffersFromTheDefaults) {
    Bar b;
    b.bar.SetBrushStyle(4);
    PropertyBag bag;
    b.bar.WriteProperties(bag);
    ASSERT_EQ(bag.Size(), 2u);
    EXPECT_EQ(bag.Entries()[0].name, "font");
    EXPECT_EQ(bag.Entries()[1].name, "color");  // always: a resolved colour never equals the reference
}

TEST(ProgressBarPersistence, SaveThenLoadKeepsTheFillLevelOnAnyRange) {
    Bar b;
    b.bar.SetMax(200);
    b.bar.SetValue(150);
    b.bar.SetShowText(true);
    b.bar.SetOrientation(1);
    PropertyBag bag;
    b.bar.WriteProperties(bag);
    EXPECT_EQ(bag.ReadInt32("value", 0), 150);  // in Value units

    Bar restored;
    restored.bar.ReadProperties(DecodePropertySet(EncodePropertySet(bag)));
    EXPECT_EQ(restored.bar.Max(), 200);
    EXPECT_EQ(restored.bar.Value(), 150);
    EXPECT_EQ(restored.bar.Percent(), 75);
    EXPECT_TRUE(restored.bar.ShowText());
    EXPECT_EQ(restored.bar.Orientation(), 1);
}

TEST(ProgressBarPersistence, AFailingStepEndsTheLoadAndKeepsWhatWasDone) {
    PropertyBag bag;
    bag.Write("Color", 0x00ABCDEF);
    bag.Write("Max", std::string("cent"));  // not a number
    bag.Write("Scrolling", 5);
    Bar b;
    try {
        b.bar.ReadProperties(DecodePropertySet(EncodePropertySet(bag), 0));
        FAIL() << "a string for Max must not load";
    } catch (const kavrel::persist::FormatError& e) {
        EXPECT_NE(std::string(e.what()).find("max"), std::string::npos) << e.what();
        EXPECT_NE(e.Offset(), kavrel::persist::FormatError::kNoOffset);
    }
    EXPECT_EQ(b.bar.Color(), 0x00ABCDEF);   // done before the failure
    EXPECT_EQ(b.bar.Max(), 100);            // the failing step changed nothing
    EXPECT_EQ(b.bar.Scrolling(), 0);        // and later steps did not run

    PropertyBag zeroMax;
    zeroMax.Write("Max", 0);
    zeroMax.Write("Value", 5);
    Bar z;
    EXPECT_THROW(z.bar.ReadProperties(zeroMax), ArithmeticError);
    EXPECT_EQ(z.bar.Max(), 0);
    EXPECT_EQ(z.bar.Percent(), 0);
}

}  // namespace
