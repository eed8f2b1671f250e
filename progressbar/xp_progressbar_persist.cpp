// The bar's load and save events over a property bag.
#include "progressbar/xp_progressbar.h"

namespace kavrel::progressbar {

namespace {
constexpr std::int32_t kDefaultBrushStyle = 4;  // the cross hatch
}  // namespace

void XP_ProgressBar::ReadProperties(const persist::PropertyBag& bag) {
    // A restored object is the bar's own, not the bag's.
    if (persist::FontRef font = bag.ReadFont("Font")) SetFont(std::make_shared<persist::StdFont>(*font));
    mBrushStyle = bag.ReadInt32("BrushStyle", kDefaultBrushStyle);
    SetColor(bag.ReadInt32("Color", kHighlightColourRef));
    persist::PictureRef image = bag.ReadPicture("Image");
    mImage = image ? std::make_shared<persist::StdPicture>(*image) : nullptr;
    SetMax(bag.ReadInt32("Max", 100));
    SetMin(bag.ReadInt32("Min", 0));
    SetOrientation(bag.ReadInt32("Orientation", 0));
    SetScrolling(bag.ReadInt32("Scrolling", 0));
    SetShowText(bag.ReadBool("ShowText", false));
    SetValue(bag.ReadInt32("Value", 0));
}

void XP_ProgressBar::WriteProperties(persist::PropertyBag& bag) const {
    bag.Write("Font", Font());
    bag.Write("BrushStyle", mBrushStyle, kDefaultBrushStyle);
    bag.Write("Color", mColor, kHighlightColourRef);
    bag.Write("Image", mImage, persist::PictureRef{});
    bag.Write("Max", mMax, 100);
    bag.Write("Min", mMin, 0);
    bag.Write("Orientation", mOrientation, 0);
    bag.Write("Scrolling", mScrolling, 0);
    bag.Write("ShowText", persist::BoolValue(mShowText), persist::BoolValue(false));
    bag.Write("Value", Value(), 0);
}

}  // namespace kavrel::progressbar
