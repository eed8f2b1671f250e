// What the window's Wine tests share: Form1's stored description, carried
// by the test program as its FORM1 resource (link kavrel_form1_resource),
// a message pump, backups kept in memory, and Form1 made and shown with its
// procedures attached as the program makes it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/form1_win32.h"
#include "app/host/form_window_win32.h"
#include "backup/target.h"
#include "registry/registry.h"

namespace kavrel::testing {

// This program's FORM1 resource; empty when it has none.
std::vector<std::uint8_t> Form1Bytes();

// Dispatches what is waiting, without blocking.
void Pump();

// The same, but leaves the timers' messages queued: for a test that calls
// the timer procedures itself, a real tick coming due while the machine is
// slow would be a step of the animation it did not take.
void PumpExceptTimers();

// A click of the left mouse button in the middle of a control, sent to the
// window under that point: the control's own, or the frame's that draws it.
void ClickControl(const app::FormWindow& window, const char* name);

// What the window tells tools outside the process of a control
// (app::ControlState bits), asked as they ask it.
LRESULT ControlStateOf(const app::FormWindow& window, const char* name);

// Where the window's tests let "&Optimiser" keep its backups: in memory, so
// that they leave no file in the prefix.
class KeptBackups : public backup::BackupTarget {
public:
    std::string Store(const std::vector<std::uint8_t>& bytes, const backup::LocalTime& when) override;
    std::string Location() const override { return "C:\\Tests"; }
    std::vector<std::vector<std::uint8_t>> files;
};

// Form1 on the test display, as the program shows it. A test fixture
// derives from it beside ::testing::Test and calls ShowForm1 in SetUp and
// CloseForm1 in TearDown.
class Form1OnScreen {
protected:
    // Makes the view through which the procedures reach the window's
    // controls (one that records their writes, say); the window itself when
    // not given.
    using Between = std::function<optimiser::WindowControls*(app::FormWindow&)>;

    // COM for the process, then the window from Form1Bytes() with its
    // procedures over `registry`, shown, and what that posted dispatched.
    // The opener is the tests' own: no test opens the desktop's shell.
    void ShowForm1(registry::Backend& registry, backup::BackupTarget& backups,
                   app::Form1::OpenAddress open = [](const char*) {}, const Between& between = {});
    // The window destroyed and its last messages dispatched, then COM left.
    void CloseForm1();

    std::unique_ptr<app::Form1> procedures;
    std::unique_ptr<app::FormWindow> window;
};

}  // namespace kavrel::testing
