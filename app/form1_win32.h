// Form1's procedures: what each command of the window does. The menu
// commands that duplicate a button call the button's procedure, so a button
// and its menu item can never behave differently.
#pragma once

#include <functional>
#include <string>

#include "app/host/form_window_win32.h"
#include "backup/target.h"
#include "registry/registry.h"

namespace kavrel::app {

class Form1 {
public:
    // Opens an address with the system's default handler; the result is
    // not looked at.
    using OpenAddress = std::function<void(const char* address)>;

    // Where "&Optimiser" keeps the values it is about to change, and the
    // program and version the backup names.
    struct Backups {
        backup::BackupTarget& target;
        std::string program;
    };

    // The registry the optimisation writes to; the desktop's shell (this
    // process's own as the fallback) unless another opener is given.
    Form1(registry::Backend& registry, Backups backups, OpenAddress open = {});
    // The window once made. The procedures reach its controls through
    // `controls` when given (a view of the same window), else directly. The
    // pictures that say something are named for assistive technology.
    void Attach(FormWindow& window, optimiser::WindowControls* controls = nullptr);
    // The window's events, wired to the procedures below.
    FormWindow::Events Events();

    // In the order of the window's method table.
    void command1_Click();    // "&Optimiser": the optimisation run
    void exit_Click();        // "&Quitter": unload the window
    void opti_Click();        // menu "&Optimiser": command1's procedure
    void propos_Click();      // menu "&A propos": KavrelCmd1's procedure
    void site_Click();        // "Kavrel Web site": open the vendor's site
    void Timer3_Timer();      // one step of the progress animation
    void KavrelCmd1_Click();  // "A Propos": the about box

private:
    // Writes the backup of the values the run will change; false, after
    // telling the user, when it could not be written.
    bool BackupBeforeRun();

    registry::Backend& registry_;
    Backups backups_;
    OpenAddress open_;
    FormWindow* window_ = nullptr;
    optimiser::WindowControls* controls_ = nullptr;
};

}  // namespace kavrel::app
