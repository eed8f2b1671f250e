// Form1's procedures: what each command of the window does. The menu
// commands that duplicate a button call the button's procedure, so a button
// and its menu item can never behave differently.
#pragma once

#include "app/form_window_win32.h"
#include "registry/registry.h"

namespace kavrel::app {

class Form1 {
public:
    // The registry the optimisation writes to, and the window once made.
    explicit Form1(registry::Backend& registry);
    void Attach(FormWindow& window) { window_ = &window; }
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
    registry::Backend& registry_;
    FormWindow* window_ = nullptr;
};

}  // namespace kavrel::app
