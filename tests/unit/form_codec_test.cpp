// The window description codec on small descriptions: round trips, byte
// stability, the layout of records and structure bytes, and rejection of
// malformed bytes with the field and offset.
#include <gtest/gtest.h>

#include "app/form/form_codec.h"
#include "app/form/form_dump.h"
#include "persist/picture_file.h"
#include "persist/property_set.h"
#include "tests/unit/stored_bytes.h"

using namespace kavrel::app;
using kavrel::persist::FormatError;
using kavrel::persist::PropertyBag;
using kavrel::testing::FromHex;

namespace {

StdFont Verdana() {
    StdFont f;
    f.name = "Verdana";
    f.size = 82500;
    return f;
}

// A window with one frame holding a label and an option, a timer, a picture,
// a shape, and a menu bar of two menus (one with a nested drop-down).
FormDescription Sample() {
    FormDescription form;
    form.classIds[0] = *Guid::Parse("{11111111-2222-3333-4444-555555555555}");
    form.classIds[2] = *Guid::Parse("{A0A1A2A3-B0B1-C0C1-D0D1-E0E1E2E3E4E5}");
    Control& w = form.window;
    w.name = "Main";
    w.kind = ControlKind::Window;
    w.caption = "  Fenêtre ";
    w.backColor = 0x00FFFFFF;
    w.clientSize = TwipsSize{7620, 4875};
    w.borderStyle = BorderStyle::FixedDialog;
    w.controlBox = true;
    w.minButton = false;
    w.maxButton = false;
    w.startUpPosition = StartUpPosition::CenterScreen;

    Control frame;
    frame.id = 1;
    frame.name = "Frame1";
    frame.kind = ControlKind::Hosted;
    frame.className = "FramePlusCtl.FramePlus";
    frame.position = TwipsRect{120, 120, 7455, 4695};
    frame.tabIndex = 0;
    PropertyBag bag;
    kavrel::persist::WriteExtentKeysFromTwips(bag, 7455, 4695);
    bag.Write("caption", std::string("Cadre"));
    frame.storedSet = bag;

    Control label;
    label.id = 2;
    label.name = "Label1";
    label.kind = ControlKind::Label;
    label.caption = "Optimisation en cours ..";
    label.font = Verdana();
    label.position = TwipsRect{-15, 3840, 1800, 180};
    label.foreColor = 0x00800000;
    label.transparent = true;
    label.visible = false;
    label.tabIndex = 3;

    Control option;
    option.id = 3;
    option.name = "Modem1";
    option.kind = ControlKind::OptionButton;
    option.caption = "Modem";
    option.value = true;
    option.tabIndex = 11;
    frame.children = {label, option};

    Control timer;
    timer.id = 4;
    timer.name = "Timer3";
    timer.kind = ControlKind::Timer;
    timer.enabled = false;
    timer.intervalMs = 150;

    Control picture;
    picture.id = 5;
    picture.name = "Image1";
    picture.kind = ControlKind::Picture;
    picture.position = TwipsRect{120, 1245, 300, 300};
    picture.picture = kavrel::persist::PictureFromFile(FromHex("FFD8FFC0001108001400140301220002110103110100FFD9"));

    Control shape;
    shape.id = 6;
    shape.name = "Shape1";
    shape.kind = ControlKind::Shape;
    shape.shape = ShapeKind::RoundedRectangle;
    shape.fillColor = 0x00FFFFFF;
    shape.fillStyle = 0;
    w.children = {frame, timer, picture, shape};

    auto item = [](std::uint8_t id, const char* name, const char* caption) {
        Control m;
        m.id = id;
        m.name = name;
        m.kind = ControlKind::MenuItem;
        m.caption = caption;
        return m;
    };
    Control file = item(7, "file", "&Fichier");
    file.children = {item(8, "exit", "&Quitter")};
    Control help = item(9, "h", "&Aide");
    Control more = item(10, "more", "Plus");
    more.children = {item(11, "deep", "Profond")};
    help.children = {more, item(12, "jui", "-"), item(13, "site", "Site")};
    help.children[2].enabled = false;
    form.menus = {file, help};
    return form;
}

void ExpectSameControl(const Control& a, const Control& b) {
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.kind, b.kind);
    EXPECT_EQ(a.className, b.className);
    EXPECT_EQ(a.caption, b.caption) << a.name;
    EXPECT_EQ(a.font.has_value(), b.font.has_value());
    if (a.font && b.font) {
        EXPECT_TRUE(a.font->SameAs(*b.font));
    }
    EXPECT_EQ(a.position, b.position);
    EXPECT_EQ(a.foreColor, b.foreColor);
    EXPECT_EQ(a.backColor, b.backColor);
    EXPECT_EQ(a.transparent, b.transparent);
    EXPECT_EQ(a.visible, b.visible);
    EXPECT_EQ(a.enabled, b.enabled);
    EXPECT_EQ(a.value, b.value);
    EXPECT_EQ(a.intervalMs, b.intervalMs);
    EXPECT_EQ(a.picture.has_value(), b.picture.has_value());
    if (a.picture && b.picture) {
        EXPECT_EQ(a.picture->bytes, b.picture->bytes);
    }
    EXPECT_EQ(a.shape, b.shape);
    EXPECT_EQ(a.fillColor, b.fillColor);
    EXPECT_EQ(a.fillStyle, b.fillStyle);
    EXPECT_EQ(a.tabIndex, b.tabIndex);
    EXPECT_EQ(a.clientSize, b.clientSize);
    EXPECT_EQ(a.borderStyle, b.borderStyle);
    EXPECT_EQ(a.controlBox, b.controlBox);
    EXPECT_EQ(a.minButton, b.minButton);
    EXPECT_EQ(a.maxButton, b.maxButton);
    EXPECT_EQ(a.startUpPosition, b.startUpPosition);
    EXPECT_EQ(a.storedSet.has_value(), b.storedSet.has_value());
    if (a.storedSet && b.storedSet) {
        EXPECT_TRUE(*a.storedSet == *b.storedSet);
    }
    ASSERT_EQ(a.children.size(), b.children.size()) << a.name;
    for (std::size_t i = 0; i < a.children.size(); ++i) ExpectSameControl(a.children[i], b.children[i]);
}

FormatError DecodeError(const std::vector<std::uint8_t>& bytes) {
    try {
        DecodeForm(bytes);
    } catch (const FormatError& e) {
        return e;
    }
    ADD_FAILURE() << "accepted";
    return FormatError("", 0, "");
}

TEST(FormCodec, ModelSurvivesBytesAndBytesSurviveTheModel) {
    FormDescription form = Sample();
    auto bytes = EncodeForm(form);
    FormDescription back = DecodeForm(bytes);
    EXPECT_EQ(back.classIds, form.classIds);
    ExpectSameControl(back.window, form.window);
    ASSERT_EQ(back.menus.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) ExpectSameControl(back.menus[i], form.menus[i]);
    EXPECT_EQ(EncodeForm(back), bytes);
    // The hosted control's set is kept as read, too.
    EXPECT_EQ(back.window.children[0].storedSetBytes,
              kavrel::persist::EncodePropertySet(*form.window.children[0].storedSet));
}

// Walks the records by their lengths and collects every structure byte.
struct Walk {
    std::vector<std::string> names;
    std::vector<std::uint8_t> structure;
};

Walk WalkRecords(const std::vector<std::uint8_t>& bytes) {
    Walk walk;
    std::size_t pos = kFormHeaderSize;
    bool menus = false;
    while (pos + 7 < bytes.size()) {
        std::uint32_t length = bytes[pos] | (bytes[pos + 1] << 8) | (bytes[pos + 2] << 16) |
                               (std::uint32_t{bytes[pos + 3]} << 24);
        std::size_t nameLength = bytes[pos + 5] | (bytes[pos + 6] << 8);
        walk.names.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(pos + 7),
                                bytes.begin() + static_cast<std::ptrdiff_t>(pos + 7 + nameLength));
        EXPECT_EQ(bytes[pos + length - 1], 0xFF) << walk.names.back() << ": end marker";
        pos += length;
        while (pos < bytes.size()) {
            std::uint8_t b = bytes[pos++];
            walk.structure.push_back(b);
            if (!menus && (b == 0x01 || b == 0x03)) break;   // a record follows
            if (!menus && b == 0x05) {
                menus = true;
                break;
            }
            if (menus && b == 0x02) break;
            if (b == 0x04) return walk;
        }
    }
    return walk;
}

TEST(FormCodec, HeaderRecordsAndStructureBytesFollowTheLayout) {
    auto bytes = EncodeForm(Sample());
    ASSERT_GT(bytes.size(), kFormHeaderSize);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 21),
              FromHex("FFCC310025 11111111 22223333 44445555 55555555"))
        << "signature, then the first class identifier in its stored byte order";
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 37, bytes.begin() + 53),
              FromHex("A3A2A1A0 B1B0 C1C0 D0D1E0E1E2E3E4E5"));
    for (std::size_t i = 53; i < 89; ++i) EXPECT_EQ(bytes[i], 0) << "reserved byte " << i;
    std::uint32_t total = bytes[89] | (bytes[90] << 8) | (bytes[91] << 16) | (std::uint32_t{bytes[92]} << 24);
    EXPECT_EQ(total, bytes.size());

    // The window's record: id 0, name length, "Main" and its zero, kind 13.
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 97, bytes.begin() + 106), FromHex("00 0400 4D61696E00 0D"));

    // The frame's record: class name, then the host entries 0x03, 0x0F and 0x2D.
    std::uint32_t windowLength = bytes[93] | (bytes[94] << 8);
    std::size_t frame = 93 + windowLength + 1;
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(frame + 4),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(frame + 17)),
              FromHex("01 0600 4672616D653100 FF 1600"));
    std::size_t entries = frame + 17 + 22 + 1;
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + static_cast<std::ptrdiff_t>(entries),
                                        bytes.begin() + static_cast<std::ptrdiff_t>(entries + 17)),
              FromHex("03 7800 7800 1F1D 5712 0F 0000 2D 4C420900"));

    Walk walk = WalkRecords(bytes);
    EXPECT_EQ(walk.names, (std::vector<std::string>{"Main", "Frame1", "Label1", "Modem1", "Timer3", "Image1", "Shape1",
                                                    "file", "exit", "h", "more", "deep", "jui", "site"}));
    EXPECT_EQ(walk.structure, FromHex("01 01 03 02 03 03 03 02 05"
                                      "02 0302 02 02 0302 02 0304"));
}

TEST(FormCodec, LookUpsByNameAndKind) {
    FormDescription form = DecodeForm(EncodeForm(Sample()));
    ASSERT_NE(form.Find("modem1"), nullptr) << "names compare without case";
    EXPECT_EQ(form.Find("Modem1")->caption, "Modem");
    EXPECT_EQ(form.Find("Main"), &form.window);
    EXPECT_EQ(form.Find("deep")->caption, "Profond");
    EXPECT_EQ(form.Find("nothing"), nullptr);
    EXPECT_EQ(form.Get("Timer3", ControlKind::Timer).intervalMs, 150u);
    EXPECT_THROW(form.Get("Timer3", ControlKind::Label), std::invalid_argument);
    EXPECT_THROW(form.Get("Timer4", ControlKind::Timer), std::out_of_range);
    EXPECT_EQ(form.ParentOf("Label1")->name, "Frame1");
    EXPECT_EQ(form.ParentOf("Frame1"), &form.window);
    EXPECT_EQ(form.ParentOf("deep")->name, "more");
    EXPECT_EQ(form.ParentOf("Main"), nullptr);
    EXPECT_TRUE(form.Find("jui")->IsSeparator());
    EXPECT_FALSE(form.Find("site")->IsEnabled());
    EXPECT_FALSE(form.Find("Label1")->IsVisible());
    EXPECT_TRUE(form.Find("Label1")->IsTransparent());
    EXPECT_TRUE(form.Find("Image1")->IsVisible()) << "absent means shown";
    EXPECT_EQ(form.Find("Image1")->picture->width, 20);
}

TEST(FormCodec, ModelsThatCannotBeStoredAreRefused) {
    auto refused = [](auto change) {
        FormDescription form = Sample();
        change(form);
        EXPECT_THROW(EncodeForm(form), std::invalid_argument);
    };
    refused([](FormDescription& f) { f.window.children[1].name = "Frame1"; });      // name twice
    refused([](FormDescription& f) { f.window.children[1].name = "FRAME1"; });      // ...without case
    refused([](FormDescription& f) { f.window.children[1].id = 1; });               // id twice
    refused([](FormDescription& f) { f.window.children[1].name = "Timer 3"; });     // not a name
    refused([](FormDescription& f) { f.window.children[1].caption = "x"; });        // timers have none
    refused([](FormDescription& f) { f.window.children[2].position->left = 40000; });  // beyond 16 bits
    refused([](FormDescription& f) { f.window.children[1].children.push_back(f.window.children[2]); });
    refused([](FormDescription& f) { f.window.kind = ControlKind::Label; });
    refused([](FormDescription& f) { f.menus[0].kind = ControlKind::Label; });
    refused([](FormDescription& f) { f.window.children[0].className.clear(); });
    refused([](FormDescription& f) { f.window.caption = std::string("\xFF"); });
}

struct Damage {
    const char* what;
    std::size_t at;
    std::uint8_t value;
    const char* field;
    std::size_t offset;
};

TEST(FormCodec, MalformedDescriptionsAreRejectedNamingFieldAndOffset) {
    const auto good = EncodeForm(Sample());
    // Offsets into the sample: header 0..92, the window's record at 93.
    std::uint32_t windowLength = good[93] | (good[94] << 8);
    std::size_t frame = 93 + windowLength + 1;
    const Damage cases[] = {
        {"signature", 2, 0x32, "signature", 0},
        {"reserved byte", 60, 1, "reserved bytes", 60},
        {"total length", 89, static_cast<std::uint8_t>(good[89] + 1), "total length", 89},
        {"record length past the end", 95, 0x7F, "record length", 93},
        {"record length too short", 93, 3, "record length", 93},
        {"window id", 97, 4, "control id", 97},
        {"name character", 100, '-', "name", 100},
        {"name terminator", 104, 'x', "name terminator", 104},
        {"unknown kind", 105, 2, "kind", 105},
        {"first record not a window", 105, 1, "control id", 97},
        {"unknown property code", 106, 0x30, "property code", 106},
        {"property of another kind", 106, 0x0B, "property code", 106},
        {"structure byte after the window", 93 + windowLength, 0x07, "structure byte", 93 + windowLength},
        {"frame id 0", frame + 4, 0, "control id", frame + 4},
        // The frame: class name at +17, host entries at +40, set marker at +53, set at +61.
        {"class name character", frame + 20, '/', "class name", frame + 20},
        {"stored set marker", frame + 53, 0x43, "stored set marker", frame + 53},
        {"stored set length", frame + 59, 0x01, "stored set length", frame + 57},
        {"stored set tag", frame + 61, 0x94, "tag", frame + 61},
        {"stored set record", frame + 61 + 12, 0x00, "name hash", frame + 61 + 12},
    };
    for (const auto& c : cases) {
        auto bytes = good;
        ASSERT_LT(c.at, bytes.size()) << c.what;
        bytes[c.at] = c.value;
        FormatError e = DecodeError(bytes);
        EXPECT_EQ(e.Field(), c.field) << c.what << ": " << e.what();
        EXPECT_EQ(e.Offset(), c.offset) << c.what << ": " << e.what();
    }

    // Trailing bytes, and a description cut anywhere, are rejected.
    auto longer = good;
    longer.push_back(0);
    EXPECT_EQ(DecodeError(longer).Field(), "total length");
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_THROW(DecodeForm(cut), FormatError) << n;
    }
}

TEST(FormCodec, OutOfOrderPropertiesAndStrayBytesAreRejected) {
    // A tiny window: id 0, name "W", kind 13, caption "A" then enabled 1.
    auto make = [](std::string_view record) {
        auto body = FromHex(record);
        std::vector<std::uint8_t> bytes = FromHex("FFCC310025");
        bytes.resize(93, 0);
        std::vector<std::uint8_t> rec = {0, 0, 0, 0};
        rec.insert(rec.end(), body.begin(), body.end());
        rec[0] = static_cast<std::uint8_t>(rec.size());
        bytes.insert(bytes.end(), rec.begin(), rec.end());
        bytes.push_back(0x05);
        bytes.push_back(0x04);
        bytes[89] = static_cast<std::uint8_t>(bytes.size());
        return bytes;
    };
    auto good = make("00 0100 5700 0D 01 0100 41 08 01 FF");
    FormDescription form = DecodeForm(good);
    EXPECT_EQ(form.window.caption, "A");
    EXPECT_EQ(EncodeForm(form), good);

    auto e = DecodeError(make("00 0100 5700 0D 08 01 01 0100 41 FF"));
    EXPECT_EQ(e.Field(), "property code");
    EXPECT_EQ(e.Offset(), 105u) << "the caption's code after the enabled entry";
    e = DecodeError(make("00 0100 5700 0D 08 01 08 01 FF"));
    EXPECT_EQ(e.Field(), "property code") << "a code twice";
    e = DecodeError(make("00 0100 5700 0D 08 02 FF"));
    EXPECT_EQ(e.Field(), "enabled") << "Booleans are 0 or 1";
    e = DecodeError(make("00 0100 5700 0D 01 0500 41 FF"));
    EXPECT_EQ(e.Field(), "caption") << "a caption running past its record";
    e = DecodeError(make("00 0100 5700 0D FF 00"));
    EXPECT_EQ(e.Field(), "end marker") << "bytes after the end marker";
    e = DecodeError(make("00 0100 5700 0D 01 0100 C3"));
    EXPECT_EQ(e.Field(), "caption") << "not UTF-8";
    e = DecodeError(make("00 0100 5700 0D 08 01"));
    EXPECT_EQ(e.Field(), "end marker") << "no end marker";
}

TEST(FormCodec, DumpShowsTheTreeWithHostEntriesAndStoredKeys) {
    std::string text = DumpForm(DecodeForm(EncodeForm(Sample())));
    EXPECT_NE(text.find("Main  window  id 0\n  caption \"  Fenêtre \"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  Frame1  hosted component FramePlusCtl.FramePlus  id 1\n"
                        "    position 120, 120, 7455, 4695 twips\n    tab index 0\n"
                        "    stored set, 3 keys, "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("      \"_extentx\" = integer 13150\n"), std::string::npos) << text;
    EXPECT_NE(text.find("    Label1  label  id 2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("      font \"Verdana\" 8.25 pt, weight 400, charset 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("      hidden at start\n"), std::string::npos) << text;
    EXPECT_NE(text.find("    picture JPEG 20 x 20, 24-bit, 24 bytes\n"), std::string::npos) << text;
    EXPECT_NE(text.find("menus\n  file  \"&Fichier\"  id 7\n    exit  \"&Quitter\"  id 8\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("    more  \"Plus\"  id 10\n      deep  \"Profond\"  id 11\n    jui  separator  id 12\n"
                        "    site  \"Site\"  id 13, disabled\n"),
              std::string::npos)
        << text;
}

}  // namespace
