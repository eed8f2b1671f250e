// The window host: builds Form1 and every control from the window's stored
// description and gives the program late-bound access to the controls by
// name. Nothing the window shows is written here: captions, positions,
// fonts, colours, pictures, start states and menus all come from the
// description.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/form/form_model.h"
#include "win32/handle.h"
#include "win32/theme.h"
#include "optimiser/optimisation_run.h"

namespace kavrel::app {

// Tools outside the process ask the window about a control it draws itself,
// which has no window of its own to ask: the registered message of this
// name, sent to the top window with the control's description id in
// wParam, answers with ControlState bits (0 for an id the window does not
// know).
inline constexpr wchar_t kControlStateMessage[] = L"KavrelLinkTune.ControlState";
enum ControlState : LRESULT {
    kControlKnown = 1,
    kControlShown = 2,
    kControlEnabled = 4,
    kControlSelected = 8,
    kControlFocused = 16,
};

class FormWindow : public optimiser::WindowControls {
public:
    // What the window reports to the program: a hosted button pressed, a
    // menu item chosen, a timer's tick. Handlers run one at a time on the
    // window's thread; whatever they throw is caught at the window's edge.
    struct Events {
        std::function<void(const std::string& button)> press;
        std::function<void(const std::string& menuItem)> menu;
        std::function<void(const std::string& timer)> tick;
    };

    // Creates the window (hidden) and its controls. Throws std::runtime_error
    // when the window cannot be made.
    FormWindow(FormDescription form, HINSTANCE instance, Events events);
    ~FormWindow() override;
    // Registers the window's own classes, once (the constructor does it
    // when no one did before); the first user32 call of a program, this
    // starts the display driver. Throws std::runtime_error when it cannot.
    static void RegisterClasses(HINSTANCE instance);
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // Shows the window centred on the screen.
    void Show(int showCommand);
    // Keyboard navigation between controls (Tab, arrows, access letters);
    // true when the message was handled.
    bool TranslateDialogMessage(MSG& msg);
    // Closes and destroys the window; the message loop then ends.
    void Unload();
    bool IsUnloaded() const { return hwnd_ == nullptr; }

    // WindowControls: "Value" of option buttons and progress bars, "Visible"
    // of labels, pictures, shapes and hosted controls, "Enabled" of timers and
    // of the window itself. Unknown names or properties throw
    // std::invalid_argument.
    std::int32_t GetProperty(std::string_view control, std::string_view property) override;
    void SetProperty(std::string_view control, std::string_view property, std::int32_t value) override;

    // What assistive technology calls a control whose look says more than its
    // description: a picture is read only once the program names it.
    void SetAccessibleName(std::string_view control, std::wstring name);

    // For tests and tools: the window of a windowed control, the rectangle of
    // any control in client coordinates of the top window (pixels).
    // A control drawn by its container has no window (nullptr); its caption
    // is what it shows.
    HWND ControlWindow(std::string_view name) const;
    std::wstring ControlCaption(std::string_view name) const;
    RECT ControlRect(std::string_view name) const;
    bool ControlVisible(std::string_view name) const;
    const FormDescription& Description() const { return form_; }

    struct Node;

private:
    static LRESULT CALLBACK FormProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK FrameProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK ButtonProc(HWND, UINT, WPARAM, LPARAM);
    // A control window's message, for its handler: the control's record
    // comes with the window's creation and leaves with its end.
    using ControlHandler = LRESULT (FormWindow::*)(Node&, HWND, UINT, WPARAM, LPARAM);
    static LRESULT ControlMessage(HWND, UINT, WPARAM, LPARAM, ControlHandler handle);
    LRESULT HandleForm(HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleFrame(Node& frame, HWND, UINT, WPARAM, LPARAM);
    LRESULT HandleButton(Node& button, HWND, UINT, WPARAM, LPARAM);
    bool HandleCommon(Node& container, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    void Build();
    // Gives the window the description's icons, once.
    void GiveIcons(HWND hwnd);
    void BuildChildren(Node& container, const Control& model);
    void BuildMenus();
    // One per hosted control kind: makes the control's window in its container.
    void CreateFrame(Node& frame, const Node& container);
    void CreateButton(Node& button, const Node& container);
    void Layout(UINT dpi);
    // The description's client area at this DPI, in pixels, and the
    // window's outer size around it.
    SIZE ClientSize(UINT dpi) const;
    SIZE FrameSize(UINT dpi, DWORD style, DWORD exStyle, bool hasMenu) const;
    void PaintContainer(Node& container, HDC dc);
    void PaintFrameOutline(Node& frame, HDC dc, const RECT& client);
    void PaintButton(Node& button, HDC dc);
    void DrawButton(Node& button, const DRAWITEMSTRUCT& dis);
    // Option buttons drawn by their frame (host_option_win32.cpp).
    void PaintOption(Node& option, HDC dc);
    bool HandleOptions(Node& frame, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    void CheckOption(Node& option);
    void OptionChanged(Node& option);  // checked or enabled: repainted and announced
    LRESULT ControlStateOf(int id) const;
    void MeasureMenuItem(MEASUREITEMSTRUCT& mis);
    void DrawMenuItem(const DRAWITEMSTRUCT& dis);
    LRESULT MenuChar(WCHAR ch, HMENU menu);
    void SetVisible(Node& node, bool visible);
    Node& Lookup(std::string_view name) const;
    Node* FindByWindow(HWND hwnd) const;
    void Fire(const std::function<void(const std::string&)>& handler, const std::string& name);

    FormDescription form_;
    HINSTANCE instance_;
    Events events_;
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    std::unique_ptr<Node> root_;
    std::map<std::string, Node*> byName_;  // folded names
    struct MenuState;
    std::unique_ptr<MenuState> menus_;
    HWND focus_ = nullptr;  // the control that had the keyboard when the window was left
    win32::UniqueIcon bigIcon_, smallIcon_;  // released after the window that shows them
    bool iconsGiven_ = false;
    bool shownOnce_ = false;
    bool firstShowing_ = false;  // inside the first ShowWindow
    // The visual style of the buttons the window draws itself, asked for
    // at their first paint and again after the theme changes.
    win32::Theme buttonTheme_;
    bool buttonThemeAsked_ = false;
};

}  // namespace kavrel::app
