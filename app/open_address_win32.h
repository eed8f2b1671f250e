// Opening an address (the vendor's web site) from an elevated program
// without handing administrator rights to the browser: a browser started by
// an elevated process runs elevated. The desktop's shell, which runs as the
// signed-in user without elevation, is asked to open it; this process's own
// shell call is the fallback when that route fails.
#pragma once

#include <functional>
#include <string>

namespace kavrel::app {

// The route that opened an address.
enum class AddressRoute {
    DesktopShell,  // the desktop's shell took it
    OwnShell,      // this process's ShellExecute (its result is not looked at)
};

// The two ways of opening an address. The desktop route answers whether the
// desktop's shell accepted the request.
struct AddressOpeners {
    std::function<bool(const std::string& address)> desktopShell;
    std::function<void(const std::string& address)> ownShell;
};

// Tries the desktop's shell first, then this process's own; a missing opener
// counts as a failed route. Failures are silent: nothing is shown.
AddressRoute OpenAddress(const std::string& address, const AddressOpeners& openers) noexcept;

// The system's openers: DesktopShellOpen and OwnShellOpen below.
AddressOpeners SystemAddressOpeners();

// Asks the desktop's shell (the shell window's IShellDispatch2::ShellExecute,
// run by the desktop process) to start `file` with `parameters` and the
// "open" verb, shown normally. True when the shell accepted the request;
// false when any step fails (no desktop shell, COM refused, a non-ASCII
// argument that the code page cannot carry). Initialises COM on the calling
// thread for the duration of the call when it is not yet initialised.
bool DesktopShellExecute(const std::wstring& file, const std::wstring& parameters) noexcept;
// The same, with the status of the step that failed (an HRESULT; 0 when the
// shell accepted the request), for diagnostics.
long DesktopShellExecuteStatus(const std::wstring& file, const std::wstring& parameters) noexcept;

// DesktopShellExecute of an address given in the program's single-byte text.
bool DesktopShellOpen(const std::string& address) noexcept;

// ShellExecuteA(nullptr, "open", address, "", "", SW_SHOWNORMAL), its
// result ignored.
void OwnShellOpen(const std::string& address) noexcept;

}  // namespace kavrel::app
