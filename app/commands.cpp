#include "app/commands.h"

#include <limits>
#include <stdexcept>

namespace kavrel::app {

namespace {

using optimiser::kFalse;
using optimiser::kTrue;

std::int32_t Add(std::int32_t a, std::int32_t b) {
    const std::int64_t sum = std::int64_t{a} + b;
    if (sum > std::numeric_limits<std::int32_t>::max() || sum < std::numeric_limits<std::int32_t>::min()) {
        throw std::overflow_error("progress step overflows 32 bits");
    }
    return static_cast<std::int32_t>(sum);
}

void Advance(optimiser::WindowControls& window, const char* bar, std::int32_t step) {
    window.SetProperty(bar, "Value", Add(window.GetProperty(bar, "Value"), step));
}

}  // namespace

void TimerTick(optimiser::WindowControls& window) {
    Advance(window, "Bar2", 15);
    if (window.GetProperty("Bar2", "Value") < 100) return;
    if (window.GetProperty("Bar1", "Value") < 100) {
        Advance(window, "Bar1", 9);
        window.SetProperty("Bar2", "Value", 0);
        Advance(window, "Bar2", 15);
        return;
    }
    EndProgressDisplay(window);
}

void EndProgressDisplay(optimiser::WindowControls& window) {
    window.SetProperty("Bar1", "Visible", kFalse);
    window.SetProperty("Label1", "Visible", kFalse);
    window.SetProperty("Bar2", "Visible", kFalse);
    window.SetProperty("Label2", "Visible", kFalse);
    window.SetProperty("Image4", "Visible", kTrue);
    window.SetProperty("Shape1", "Visible", kTrue);
    window.SetProperty("Timer3", "Enabled", kFalse);
    window.SetProperty("Form1", "Enabled", kTrue);
}

std::string AboutText() {
    const std::string lines[] = {
        "      Kavrel LinkTune est logiciel très puissant qui optimise",
        "votre connexion internet, quelque soit son type, en règlant",
        "les paramètres de Windows et du materiel utilisé pour une ",
        "performance maximale.",
        "",
        "     Il perfectionne aussi Internet Explorer, Firefox, netscape et Opera,",
        "ce logiciel est testé sur un grands nombre de machines qui ",
        "travaillent sous windows, avec différentes connexion sur le ",
        "réseaux.",
        std::string(45, '_'),
        kVendorCopyright,
        std::string("Auteur : ") + kAuthor,
        std::string("E-mail: ") + kVendorEmail,
        std::string("Website : ") + kVendorWebSite,
    };
    std::string text;
    for (const auto& line : lines) {
        if (&line != &lines[0]) text += '\r';
        text += line;
    }
    return text;
}

std::string BackupFailedText(const std::string& folder) {
    return "La sauvegarde des réglages actuels n'a pas pu être écrite dans « " + folder +
           " ». Aucun réglage n'a été modifié.";
}

}  // namespace kavrel::app
