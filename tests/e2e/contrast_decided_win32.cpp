// Linked only into KavrelLinkTune-contrast.exe, a test build of the program
// for the end-to-end contrast scenario and the high-contrast screenshot in
// docs/: the same program with high contrast decided on before wWinMain
// runs, as Wine cannot switch the mode on. The shipped program has no such
// hook: it asks the system alone.
#include "win32/contrast.h"

namespace {

const bool decided = [] {
    kavrel::win32::DecideHighContrast(true);
    return true;
}();

}  // namespace
