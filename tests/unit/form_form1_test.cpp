// Form1's stored description as the build produces it: the control tree in
// stacking order, every control's properties, the tab order, the hosted
// controls' stored sets key by key (byte for byte where every value is
// fixed), the menus and the pictures.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "app/form/form_codec.h"
#include "persist/picture_file.h"
#include "persist/property_set.h"
#include "tests/unit/stored_bytes.h"

using namespace kavrel::app;
using kavrel::persist::FontRef;
using kavrel::persist::PictureRef;
using kavrel::persist::PropertyValue;

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << path;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Form1 : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        bytes_ = new std::vector<std::uint8_t>(ReadFile(KAVREL_FORM1_BIN_PATH));
        form_ = new FormDescription(LoadForm1(*bytes_));
    }
    static void TearDownTestSuite() {
        delete form_;
        delete bytes_;
    }
    static const Control& C(std::string_view name) {
        const Control* c = form_->Find(name);
        if (!c) throw std::out_of_range(std::string(name));
        return *c;
    }
    static std::vector<std::string> ChildNames(std::string_view name) {
        std::vector<std::string> names;
        for (const auto& child : C(name).children) names.push_back(child.name);
        return names;
    }
    static std::vector<std::uint8_t>* bytes_;
    static FormDescription* form_;
};
std::vector<std::uint8_t>* Form1::bytes_ = nullptr;
FormDescription* Form1::form_ = nullptr;

StdFont MakeFont(const char* name, std::int64_t size, std::int16_t charset = 0) {
    StdFont f;
    f.name = name;
    f.size = size;
    f.weight = 400;
    f.charset = charset;
    return f;
}

const StdFont kVerdana = MakeFont("Verdana", 82500);
const StdFont kVerdanaSmall = MakeFont("Verdana", 67500);

TEST_F(Form1, BytesReadBackToTheSameBytes) {
    EXPECT_EQ(EncodeForm(*form_), *bytes_) << "the generator and the codec agree byte for byte";
    EXPECT_EQ(std::vector<std::uint8_t>(bytes_->begin(), bytes_->begin() + 5),
              (std::vector<std::uint8_t>{0xFF, 0xCC, 0x31, 0x00, 0x25}));
    for (const auto& id : form_->classIds) EXPECT_NE(id, Guid{}) << "class identifiers are assigned";
}

TEST_F(Form1, TheWindow) {
    const Control& w = form_->window;
    EXPECT_EQ(w.name, "Form1");
    EXPECT_EQ(w.id, 0);
    EXPECT_EQ(w.caption, "  Kavrel LinkTuner  2007");
    EXPECT_EQ(w.clientSize, (TwipsSize{7620, 4875}));
    EXPECT_EQ(w.borderStyle, BorderStyle::FixedDialog);
    EXPECT_EQ(w.controlBox, true);
    EXPECT_EQ(w.minButton, false);
    EXPECT_EQ(w.maxButton, false);
    EXPECT_EQ(w.startUpPosition, StartUpPosition::CenterScreen);
    EXPECT_EQ(w.backColor, 0x00FFFFFFu);
    EXPECT_TRUE(w.IsEnabled());
    ASSERT_TRUE(w.icon);
    auto info = kavrel::persist::InspectPicture(w.icon->bytes);
    EXPECT_EQ(info.format, StdPicture::Format::Icon);
    EXPECT_EQ(info.width, 32);
    EXPECT_EQ(info.height, 32);
    EXPECT_EQ(info.bitsPerPixel, 8) << "256 colours";
    // The image carries its transparency mask: the first image's bitmap is
    // twice as high as the icon (colour rows, then mask rows).
    const auto& ico = w.icon->bytes;
    ASSERT_GE(ico.size(), 22u + 40u);
    std::uint32_t imageAt = ico[18] | (ico[19] << 8) | (ico[20] << 16) | (std::uint32_t{ico[21]} << 24);
    ASSERT_LT(imageAt + 12, ico.size());
    std::int32_t dibHeight = ico[imageAt + 8] | (ico[imageAt + 9] << 8);
    EXPECT_EQ(dibHeight, 64);
    std::uint32_t imageSize = ico[14] | (ico[15] << 8) | (ico[16] << 16) | (std::uint32_t{ico[17]} << 24);
    EXPECT_GE(imageSize, 40u + 256 * 4 + 32 * 32 + 32 * 4) << "header, palette, colour and mask rows";
}

TEST_F(Form1, TreeAndStackingOrder) {
    EXPECT_EQ(ChildNames("Form1"), (std::vector<std::string>{"ctxHookMenu1", "FramePlus3"}));
    EXPECT_EQ(ChildNames("FramePlus3"),
              (std::vector<std::string>{"Bar1", "Timer3", "command1", "KavrelCmd1", "FramePlus1", "FramePlus2", "Bar2",
                                        "Label5", "Label3", "Label12", "Label1", "Label2", "Image4", "Label4",
                                        "Shape1"}));
    EXPECT_EQ(ChildNames("FramePlus1"),
              (std::vector<std::string>{"Adsl1", "Modem1", "Lan1", "Image3", "Image2", "Image1"}));
    EXPECT_EQ(ChildNames("FramePlus2"), (std::vector<std::string>{"r1024", "r512", "r128", "r64", "r56", "r33"}));
    EXPECT_TRUE(C("ctxHookMenu1").children.empty());
}

struct Expect {
    const char* name;
    ControlKind kind;
    const char* caption;  // nullptr: none
    TwipsRect position;
    const StdFont* font;
    std::optional<Colour> fore;
    std::optional<Colour> back;
    bool visible;
};

TEST_F(Form1, BuiltInControls) {
    const Expect expected[] = {
        {"Label12", ControlKind::Label,
         "              Avec Kavrel Vorlisk, vous pouvez optimiser la configuration de Winodws pour Internet ou "
         "pour votre Réseau ... Pour une performance qui peut atteindre 300 % dans certains PC quelque soit le "
         "type du materiels ..",
         {120, 600, 7095, 615}, &kVerdana, 0x00800000, std::nullopt, true},
        {"Image3", ControlKind::Picture, nullptr, {120, 360, 330, 345}, nullptr, std::nullopt, std::nullopt, true},
        {"Adsl1", ControlKind::OptionButton, "ADSL ou Cable ", {600, 435, 1815, 255}, &kVerdana, std::nullopt, 0xFFFFFF, true},
        {"Image2", ControlKind::Picture, nullptr, {120, 765, 330, 345}, nullptr, std::nullopt, std::nullopt, true},
        {"Modem1", ControlKind::OptionButton, "Modem", {600, 855, 1215, 255}, &kVerdana, std::nullopt, 0xFFFFFF, true},
        {"Image1", ControlKind::Picture, nullptr, {120, 1245, 300, 300}, nullptr, std::nullopt, std::nullopt, true},
        {"Lan1", ControlKind::OptionButton, "Réseaux local (Lan)", {600, 1275, 2295, 255}, &kVerdana, std::nullopt, 0xFFFFFF, true},
        {"r33", ControlKind::OptionButton, "33,6 kbps (RTC)", {240, 480, 1815, 255}, &kVerdana, std::nullopt, 0xFFFFFF, true},
        {"r56", ControlKind::OptionButton, "56  kbps (RTC)", {240, 840, 1815, 255}, &kVerdana, std::nullopt, 0xFFFFFF, true},
        {"r64", ControlKind::OptionButton, "64 kbps (ISDN)", {240, 1200, 1815, 255}, &kVerdana, std::nullopt, 0xFFFFFF, true},
        {"r128", ControlKind::OptionButton, "128  kbps (ISDN ou cable)", {240, 1560, 2655, 255}, &kVerdana, std::nullopt, 0xFFFFFF, true},
        {"r512", ControlKind::OptionButton, "512 kbps (ADSL ou cable)", {240, 1920, 2655, 255}, &kVerdana, std::nullopt, 0xFFFFFF, true},
        {"r1024", ControlKind::OptionButton, ">=1024 kbps (ADSL ou cable)", {240, 2280, 3015, 255}, &kVerdana, std::nullopt, 0xFFFFFF, true},
        {"Label3", ControlKind::Label, "", {2520, 2640, 75, 195}, nullptr, std::nullopt, std::nullopt, true},
        {"Shape1", ControlKind::Shape, nullptr, {165, 3345, 3735, 900}, nullptr, std::nullopt, std::nullopt, true},
        {"Label2", ControlKind::Label, "Réglage de Windows ....", {120, 3360, 1740, 180}, &kVerdanaSmall, 0x00800000, std::nullopt, false},
        {"Image4", ControlKind::Picture, nullptr, {240, 3480, 3600, 630}, nullptr, std::nullopt, std::nullopt, true},
        {"Label1", ControlKind::Label, "Optimisation en cours ..", {120, 3840, 1800, 180}, &kVerdanaSmall, 0x00800000, std::nullopt, false},
        {"Label4", ControlKind::Label, "Copyright © 2007 Kavrel. Tous droits réservés.", {120, 4320, 3765, 180}, &kVerdanaSmall, 0x00000000, std::nullopt, true},
        {"Label5", ControlKind::Label, "Copyright © 2007 Kavrel. Tous droits réservés.", {135, 4350, 3765, 180}, &kVerdanaSmall, 0x00FFFFFF, std::nullopt, true},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.name);
        const Control& c = C(e.name);
        EXPECT_EQ(c.kind, e.kind);
        if (e.caption) {
            EXPECT_EQ(c.caption, e.caption);
        } else {
            EXPECT_FALSE(c.caption);
        }
        EXPECT_EQ(c.position, e.position);
        ASSERT_EQ(c.font.has_value(), e.font != nullptr);
        if (e.font) {
            EXPECT_TRUE(c.font->SameAs(*e.font)) << c.font->name << " " << c.font->size << " " << c.font->charset;
        }
        EXPECT_EQ(c.foreColor, e.fore);
        EXPECT_EQ(c.backColor, e.back);
        EXPECT_EQ(c.IsVisible(), e.visible);
        if (c.kind == ControlKind::Label) {
            EXPECT_TRUE(c.IsTransparent());
        }
    }
    EXPECT_EQ(C("Label12").caption->find_first_not_of(' '), 14u);

    const Control& timer = C("Timer3");
    EXPECT_EQ(timer.kind, ControlKind::Timer);
    EXPECT_EQ(timer.intervalMs, 150u);
    EXPECT_FALSE(timer.IsEnabled());
    EXPECT_FALSE(timer.position);

    const Control& shape = C("Shape1");
    EXPECT_EQ(shape.shape, ShapeKind::RoundedRectangle) << "kind value 4";
    EXPECT_EQ(static_cast<int>(*shape.shape), 4);
    EXPECT_EQ(shape.fillColor, 0x00FFFFFFu);
    EXPECT_EQ(shape.fillStyle, 0);
    // It frames Image4: 75 twips beyond on the left, 60 on the right, 135 above and below.
    const TwipsRect& img = *C("Image4").position;
    const TwipsRect& sh = *shape.position;
    EXPECT_EQ(img.left - sh.left, 75);
    EXPECT_EQ((sh.left + sh.width) - (img.left + img.width), 60);
    EXPECT_EQ(img.top - sh.top, 135);
    EXPECT_EQ((sh.top + sh.height) - (img.top + img.height), 135);
}

TEST_F(Form1, OptionGroupsStartWithModemAnd56) {
    for (const char* frame : {"FramePlus1", "FramePlus2"}) {
        std::vector<std::string> selected;
        for (const auto& c : C(frame).children) {
            if (c.kind == ControlKind::OptionButton && c.IsSelected()) selected.push_back(c.name);
        }
        EXPECT_EQ(selected.size(), 1u) << frame;
    }
    EXPECT_TRUE(C("Modem1").IsSelected());
    EXPECT_TRUE(C("r56").IsSelected());
    EXPECT_FALSE(C("Adsl1").IsSelected());
    EXPECT_FALSE(C("r1024").IsSelected());
}

TEST_F(Form1, TabOrder) {
    std::map<std::uint16_t, std::string> order;
    std::function<void(const Control&)> visit = [&](const Control& c) {
        if (c.tabIndex) {
            EXPECT_TRUE(order.emplace(*c.tabIndex, c.name).second) << c.name;
        }
        for (const auto& child : c.children) visit(child);
    };
    visit(form_->window);
    std::vector<std::string> names;
    for (const auto& [index, name] : order) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"FramePlus3", "Label4", "Label2", "Label1", "Label12", "Label3", "Label5",
                                               "command1", "KavrelCmd1", "FramePlus1", "Lan1", "Modem1", "Adsl1",
                                               "FramePlus2", "r33", "r56", "r64", "r128", "r512", "r1024", "Bar1",
                                               "Bar2"}));
    EXPECT_EQ(order.begin()->first, 0);
    EXPECT_EQ(order.rbegin()->first, 21);
}

TEST_F(Form1, HostEntries) {
    struct Host {
        const char* name;
        const char* cls;
        TwipsRect position;
        bool visible;
    };
    const Host hosts[] = {
        {"FramePlus3", "FramePlusCtl.FramePlus", {120, 120, 7455, 4695}, true},
        {"FramePlus2", "FramePlusCtl.FramePlus", {3960, 1320, 3375, 2655}, true},
        {"FramePlus1", "FramePlusCtl.FramePlus", {120, 1440, 3735, 1815}, true},
        {"Bar2", "KavrelLinkTune.XP_ProgressBar", {120, 3600, 3735, 135}, false},
        {"Bar1", "KavrelLinkTune.XP_ProgressBar", {120, 4080, 3735, 135}, false},
        {"command1", "ButtonPlusCtl.ButtonPlus", {4080, 4080, 1455, 495}, true},
        {"KavrelCmd1", "ButtonPlusCtl.ButtonPlus", {5760, 4080, 1455, 495}, true},
    };
    for (const auto& h : hosts) {
        SCOPED_TRACE(h.name);
        const Control& c = C(h.name);
        EXPECT_EQ(c.kind, ControlKind::Hosted);
        EXPECT_EQ(c.className, h.cls);
        EXPECT_EQ(c.position, h.position);
        EXPECT_EQ(c.IsVisible(), h.visible);
        EXPECT_EQ(c.visible.has_value(), !h.visible) << "stored only as hidden";
        ASSERT_TRUE(c.storedSet);
        // The extent keys are the control's size in hundredths of a millimetre.
        EXPECT_EQ(c.storedSet->ReadInt32("_extentx", 0), kavrel::persist::TwipsToHimetric(h.position.width));
        EXPECT_EQ(c.storedSet->ReadInt32("_extenty", 0), kavrel::persist::TwipsToHimetric(h.position.height));
    }
    const Control& menu = C("ctxHookMenu1");
    EXPECT_EQ(menu.className, "KavrelMenu.ctxHookMenu");
    EXPECT_FALSE(menu.position || menu.visible || menu.tabIndex) << "no host entries";
}

TEST_F(Form1, ProgressBarSetsAreTheStored224Bytes) {
    EXPECT_EQ(C("Bar1").storedSetBytes, kavrel::testing::kBar1Set);
    EXPECT_EQ(C("Bar2").storedSetBytes, kavrel::testing::Bar2Set());
    EXPECT_EQ(ReadFile(KAVREL_FORM1_SETS_PATH "/Bar1.set"), kavrel::testing::kBar1Set);
}

// Keys and values of a stored set, in order; pictures as format and size.
using Key = std::pair<std::string, std::string>;

std::string Describe(const PropertyValue& v) {
    if (auto* i = std::get_if<std::int32_t>(&v)) return "i" + std::to_string(*i);
    if (auto* d = std::get_if<double>(&v)) return "d" + std::to_string(static_cast<long long>(*d));
    if (auto* s = std::get_if<std::string>(&v)) return "s" + *s;
    if (auto* f = std::get_if<FontRef>(&v)) {
        return "font " + (*f)->name + " " + std::to_string((*f)->size) + " " + std::to_string((*f)->weight) + " " +
               std::to_string((*f)->charset) + ((*f)->italic || (*f)->underline || (*f)->strikethrough ? " styled" : "");
    }
    const auto& p = std::get<PictureRef>(v);
    auto info = kavrel::persist::InspectPicture(p->bytes);
    return std::string(p->format == StdPicture::Format::Bitmap ? "bmp " : p->format == StdPicture::Format::Jpeg ? "jpeg " : "? ") +
           std::to_string(p->width) + "x" + std::to_string(p->height) + " " + std::to_string(info.bitsPerPixel);
}

std::vector<Key> Keys(const Control& c) {
    std::vector<Key> keys;
    for (const auto& e : c.storedSet->Entries()) keys.emplace_back(e.name, Describe(e.value));
    return keys;
}

TEST_F(Form1, ButtonSets) {
    auto expected = [](const char* picture, const char* caption) {
        return std::vector<Key>{{"_extentx", "i2566"},       {"_extenty", "i873"},     {"backstyle", "i0"},
                                {"picture", picture},        {"picturealignment", "i3"}, {"borderstyle", "i5"},
                                {"maskcolor", "i16777215"},  {"backcolor", "i16777215"},
                                {"font", "font Verdana 82500 400 0"}, {"caption", caption}};
    };
    EXPECT_EQ(Keys(C("command1")), expected("bmp 16x16 24", "s&Optimiser"));
    EXPECT_EQ(Keys(C("KavrelCmd1")), expected("jpeg 21x21 24", "sA Propos"));
}

TEST_F(Form1, FrameSetsByteForByte) {
    struct Frame {
        const char* name;
        std::int32_t x, y;
        StdFont font;
        const char* caption;
    };
    const Frame frames[] = {
        {"FramePlus1", 6588, 3201, MakeFont("MS Sans Serif", 82500, 178), "Type de connexion"},
        {"FramePlus2", 5953, 4683, MakeFont("MS Sans Serif", 82500, 178), "La vitesse de votre connexion :"},
        {"FramePlus3", 13150, 8281, kVerdana, "Internet Optimisation :"},
    };
    for (const auto& f : frames) {
        SCOPED_TRACE(f.name);
        kavrel::persist::PropertyBag bag;
        kavrel::persist::WriteExtentKeys(bag, f.x, f.y);
        bag.Write("backcolor", 0x00FFFFFF);
        bag.Write("style", 5);
        bag.Write("font", std::make_shared<StdFont>(f.font));
        bag.Write("caption", std::string(f.caption));
        EXPECT_EQ(C(f.name).storedSetBytes, kavrel::persist::EncodePropertySet(bag));
    }
}

TEST_F(Form1, MenuDecorationSet) {
    std::vector<Key> expected = {{"_extentx", "i900"}, {"_extenty", "i900"}, {"bmpcount", "i4"}, {"menulook", "i1"}};
    const char* keys[] = {"#exit", "#opti", "#propos", "#site"};
    for (int i = 1; i <= 4; ++i) {
        expected.emplace_back("bmp:" + std::to_string(i), "bmp 16x16 24");
        expected.emplace_back("mask:" + std::to_string(i), i == 1 ? "d16711935" : "d16777215");
        expected.emplace_back("key:" + std::to_string(i), std::string("s") + keys[i - 1]);
    }
    expected.emplace_back("font", "font Tahoma 82500 400 0");
    EXPECT_EQ(Keys(C("ctxHookMenu1")), expected);
    // The masks are stored as 64-bit floating-point numbers.
    const auto& bag = *C("ctxHookMenu1").storedSet;
    EXPECT_TRUE(std::holds_alternative<double>(bag.Find("mask:1")->value));
    EXPECT_EQ(bag.ReadDouble("mask:1", 0), 16711935.0);
}

TEST_F(Form1, Menus) {
    auto describe = [](const Control& m) {
        std::string s = m.name + "=" + m.caption.value_or("?") + "[";
        for (const auto& child : m.children) s += child.name + "=" + child.caption.value_or("?") + ";";
        return s + "]";
    };
    ASSERT_EQ(form_->menus.size(), 3u);
    EXPECT_EQ(describe(form_->menus[0]), "file=&Fichier[exit=&Quitter;]");
    EXPECT_EQ(describe(form_->menus[1]), "act=&Action[opti=&Optimiser;]");
    EXPECT_EQ(describe(form_->menus[2]), "h=&Aide[propos=&A propos;jui=-;site=Kavrel Web site;]");
    EXPECT_TRUE(C("jui").IsSeparator());
    for (const char* leaf : {"exit", "opti", "propos", "jui", "site"}) EXPECT_TRUE(C(leaf).children.empty());
}

TEST_F(Form1, Pictures) {
    struct Pic {
        const char* name;
        StdPicture::Format format;
        int width, height;
    };
    const Pic pictures[] = {
        {"Image1", StdPicture::Format::Jpeg, 20, 20},
        {"Image2", StdPicture::Format::Jpeg, 22, 23},
        {"Image3", StdPicture::Format::Jpeg, 22, 23},
        {"Image4", StdPicture::Format::Jpeg, 240, 42},
    };
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.name);
        const Control& c = C(p.name);
        ASSERT_TRUE(c.picture);
        EXPECT_EQ(c.picture->format, p.format);
        EXPECT_EQ(c.picture->width, p.width);
        EXPECT_EQ(c.picture->height, p.height);
        // Shown at natural size: 15 twips a pixel.
        EXPECT_EQ(c.position->width, 15 * p.width);
        EXPECT_EQ(c.position->height, 15 * p.height);
    }
}

}  // namespace
