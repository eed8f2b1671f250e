// The window's own commands: the step of the progress animation that Timer3
// drives, the about box's text and the vendor's addresses.
#pragma once

#include <string>

#include "optimiser/optimisation_run.h"

namespace kavrel::app {

// One tick of Timer3 during the progress display: Bar2 climbs by 15; each
// time it reaches 100, Bar1 climbs by 9 and Bar2 starts again; when Bar2
// reaches 100 with Bar1 already at 100, the display ends. Every Value is
// read back through the bar, so a bar's own clamping shows in the steps.
// Throws what the controls throw, and std::overflow_error when an addition
// leaves 32 bits.
void TimerTick(optimiser::WindowControls& window);

// Ends the progress display: bars and their labels hidden, the banner and
// its backdrop shown, the timer stopped and the window enabled again.
void EndProgressDisplay(optimiser::WindowControls& window);

// The vendor's addresses, shown in the about box and opened by the web-site
// command.
inline constexpr const char* kVendorWebSite = "https://www.kavrel.example/";
inline constexpr const char* kVendorEmail = "support@kavrel.example";
inline constexpr const char* kVendorCopyright = "Copyright © 2007 Kavrel. Tous droits réservés.";
inline constexpr const char* kAuthor = "L'équipe Kavrel LinkTune";

inline constexpr const char* kAboutTitle = "A Propos de Kavrel LinkTune 2.0";
// What the banner picture Image4 reads, in letters.
inline constexpr const char* kBannerText = "Kavrel LinkTune";
inline constexpr unsigned kAboutStyle = 64;  // information icon, one OK button

// The about box's fourteen lines, joined by single carriage returns (UTF-8).
std::string AboutText();

// The box that "&Optimiser" shows, instead of running, when the backup of
// the values it would change cannot be written to FOLDER (its full path).
inline constexpr const char* kBackupFailedTitle = "Kavrel LinkTune";
inline constexpr unsigned kBackupFailedStyle = 16;  // error icon, one OK button
std::string BackupFailedText(const std::string& folder);

}  // namespace kavrel::app
