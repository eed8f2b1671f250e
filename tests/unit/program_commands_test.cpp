// The progress animation driven tick by tick against bars that behave like
// the progress bar (a Value above 100 reads back as 100), and the about box.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/commands.h"

using namespace kavrel;

namespace {

class FakeWindow : public optimiser::WindowControls {
public:
    std::int32_t GetProperty(std::string_view control, std::string_view property) override {
        return props.at(std::string(control) + "." + std::string(property));
    }
    void SetProperty(std::string_view control, std::string_view property, std::int32_t value) override {
        const std::string key = std::string(control) + "." + std::string(property);
        // The bar keeps at most 100 %; below that, Value reads as set.
        if (property == "Value" && clampBars) value = std::min(value, 100);
        props[key] = value;
        writes.push_back(key + "=" + std::to_string(value));
    }
    std::map<std::string, std::int32_t> props = {
        {"Bar1.Value", 0}, {"Bar2.Value", 0}, {"Bar1.Visible", -1}, {"Bar2.Visible", -1},
        {"Label1.Visible", -1}, {"Label2.Visible", -1}, {"Image4.Visible", 0}, {"Shape1.Visible", 0},
        {"Timer3.Enabled", -1}, {"Form1.Enabled", 0}};
    std::vector<std::string> writes;
    bool clampBars = true;
};

TEST(ProgressAnimation, FollowsItsTimelineAndEndsOnTick79) {
    FakeWindow w;
    std::map<int, std::pair<int, int>> seen;  // tick -> (Bar1, Bar2)
    int ticks = 0;
    while (w.props["Timer3.Enabled"] != 0 && ticks < 1000) {
        app::TimerTick(w);
        ++ticks;
        seen[ticks] = {w.props["Bar1.Value"], w.props["Bar2.Value"]};
    }
    EXPECT_EQ(ticks, 79);
    EXPECT_EQ(seen[1], std::make_pair(0, 15));
    EXPECT_EQ(seen[6], std::make_pair(0, 90));
    EXPECT_EQ(seen[7], std::make_pair(9, 15));
    EXPECT_EQ(seen[12], std::make_pair(9, 90));
    EXPECT_EQ(seen[13], std::make_pair(18, 15));
    EXPECT_EQ(seen[67], std::make_pair(99, 15));
    EXPECT_EQ(seen[73], std::make_pair(100, 15));  // 99 + 9 is held at 100
    EXPECT_EQ(seen[78], std::make_pair(100, 90));
    // Bar1 advances on ticks 7, 13, 19, ... 73 and on no other.
    for (int t = 2; t <= 78; ++t) {
        const bool advanced = seen[t].first != seen[t - 1].first;
        EXPECT_EQ(advanced, t >= 7 && (t - 7) % 6 == 0) << "tick " << t;
    }
}

TEST(ProgressAnimation, TheLastTickRestoresTheIdleDisplayInOrder) {
    FakeWindow w;
    w.props["Bar1.Value"] = 100;
    w.props["Bar2.Value"] = 90;
    app::TimerTick(w);
    const std::vector<std::string> expected = {
        "Bar2.Value=100",      "Bar1.Visible=0",      "Label1.Visible=0",   "Bar2.Visible=0",
        "Label2.Visible=0",    "Image4.Visible=-1",   "Shape1.Visible=-1",  "Timer3.Enabled=0",
        "Form1.Enabled=-1"};
    EXPECT_EQ(w.writes, expected);
}

TEST(ProgressAnimation, EndsOnTheFirstWrapWhenBar1AlreadyReads100) {
    FakeWindow w;
    w.props["Bar1.Value"] = 100;
    int ticks = 0;
    while (w.props["Timer3.Enabled"] != 0 && ticks < 100) {
        app::TimerTick(w);
        ++ticks;
    }
    EXPECT_EQ(ticks, 7);
    EXPECT_EQ(w.props["Form1.Enabled"], -1);
}

TEST(ProgressAnimation, AnOverflowingStepIsAnErrorAndWritesNothing) {
    FakeWindow w;
    w.clampBars = false;
    w.props["Bar2.Value"] = 2147483640;
    EXPECT_THROW(app::TimerTick(w), std::overflow_error);
    EXPECT_TRUE(w.writes.empty());
}

TEST(AboutBox, HasFourteenLinesJoinedByCarriageReturns) {
    const std::string text = app::AboutText();
    EXPECT_EQ(text.find('\n'), std::string::npos);
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t cr = text.find('\r', start);
        lines.push_back(text.substr(start, cr == std::string::npos ? std::string::npos : cr - start));
        if (cr == std::string::npos) break;
        start = cr + 1;
    }
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "      Kavrel LinkTune est logiciel très puissant qui optimise");
    EXPECT_EQ(lines[1], "votre connexion internet, quelque soit son type, en règlant");
    EXPECT_EQ(lines[2], "les paramètres de Windows et du materiel utilisé pour une ");
    EXPECT_EQ(lines[3], "performance maximale.");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "     Il perfectionne aussi Internet Explorer, Firefox, netscape et Opera,");
    EXPECT_EQ(lines[6], "ce logiciel est testé sur un grands nombre de machines qui ");
    EXPECT_EQ(lines[7], "travaillent sous windows, avec différentes connexion sur le ");
    EXPECT_EQ(lines[8], "réseaux.");
    EXPECT_EQ(lines[9], std::string(45, '_'));
    EXPECT_EQ(lines[10], app::kVendorCopyright);
    EXPECT_EQ(lines[11].rfind("Auteur : ", 0), 0u);
    EXPECT_EQ(lines[12], std::string("E-mail: ") + app::kVendorEmail);
    EXPECT_EQ(lines[13], std::string("Website : ") + app::kVendorWebSite);
    EXPECT_EQ(std::string(app::kAboutTitle), "A Propos de Kavrel LinkTune 2.0");
}

TEST(BackupFailedBox, NamesTheFolderInTheUsersWords) {
    EXPECT_EQ(app::BackupFailedText(R"(C:\ProgramData\Kavrel LinkTune\Sauvegardes)"),
              "La sauvegarde des réglages actuels n'a pas pu être écrite dans "
              "« C:\\ProgramData\\Kavrel LinkTune\\Sauvegardes ». Aucun réglage n'a été modifié.");
    EXPECT_EQ(std::string(app::kBackupFailedTitle), "Kavrel LinkTune");
    EXPECT_EQ(app::kBackupFailedStyle, 16u);  // MB_ICONERROR | MB_OK
}

}  // namespace
