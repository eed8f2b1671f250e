#include "app/form1_win32.h"

#include "app/commands.h"
#include "app/host/host_gdi_win32.h"
#include "backup/host_win32.h"
#include "backup/snapshot.h"
#include "optimiser/run_plan.h"
#include "app/open_address_win32.h"

namespace kavrel::app {

Form1::Form1(registry::Backend& registry, Backups backups, OpenAddress open)
    : registry_(registry), backups_(std::move(backups)), open_(std::move(open)) {
    if (!open_) {
        // The desktop's shell opens it, so that the browser does not inherit
        // this program's administrator rights; whatever happens, nothing is shown.
        open_ = [](const char* address) { kavrel::app::OpenAddress(address, SystemAddressOpeners()); };
    }
}

void Form1::Attach(FormWindow& window, optimiser::WindowControls* controls) {
    window_ = &window;
    controls_ = controls ? controls : &window;
    // The banner shows the product's name in letters: a screen reader says it.
    window.SetAccessibleName("Image4", win32::Widen(kBannerText));
}

FormWindow::Events Form1::Events() {
    FormWindow::Events e;
    e.press = [this](const std::string& button) {
        if (button == "command1") command1_Click();
        if (button == "KavrelCmd1") KavrelCmd1_Click();
    };
    e.menu = [this](const std::string& item) {
        if (item == "exit") exit_Click();
        if (item == "opti") opti_Click();
        if (item == "propos") propos_Click();
        if (item == "site") site_Click();
    };
    e.tick = [this](const std::string& timer) {
        if (timer == "Timer3") Timer3_Timer();
    };
    return e;
}

void Form1::command1_Click() {
    if (!controls_) return;
    // No way back, no run: the window stays as it is.
    if (!BackupBeforeRun()) return;
    registry::RegistryAccess access(registry_);
    optimiser::RunOptimisation(*controls_, access);
}

bool Form1::BackupBeforeRun() {
    try {
        // The run reads the options itself; the plan reads them the same way.
        const optimiser::Plan plan = optimiser::PlanRun(*controls_);
        const backup::BackupFacts facts{backups_.program, backup::NowLocal(), backup::ComputerName(),
                                        backup::UserName(), optimiser::ProfileOf(*controls_)};
        backup::TakeBackup(registry_, plan, facts, backups_.target, backup::Scope{});
        return true;
    } catch (...) {
        // Whatever went wrong, the user hears of it once and nothing changes.
    }
    MessageBoxW(window_ ? window_->Handle() : nullptr, win32::Widen(BackupFailedText(backups_.target.Location())).c_str(),
                win32::Widen(kBackupFailedTitle).c_str(), kBackupFailedStyle);
    return false;
}

void Form1::exit_Click() {
    if (window_) window_->Unload();
}

void Form1::opti_Click() { command1_Click(); }

void Form1::propos_Click() { KavrelCmd1_Click(); }

void Form1::site_Click() { open_(kVendorWebSite); }

void Form1::Timer3_Timer() {
    if (!controls_) return;
    try {
        TimerTick(*controls_);
    } catch (...) {
        // A step that cannot be made must not leave the window disabled
        // with the timer running: the display ends at once.
        try {
            EndProgressDisplay(*controls_);
        } catch (...) {
            window_->SetProperty("Timer3", "Enabled", optimiser::kFalse);
            window_->SetProperty("Form1", "Enabled", optimiser::kTrue);
        }
    }
}

void Form1::KavrelCmd1_Click() {
    if (!window_) return;
    MessageBoxW(window_->Handle(), win32::Widen(AboutText()).c_str(), win32::Widen(kAboutTitle).c_str(), kAboutStyle);
}

}  // namespace kavrel::app
