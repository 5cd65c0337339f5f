// The program's entry point.
#include "app/LauncherApp.h"

// Naming the application object here also links the program's global
// objects into the executable.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    RestrictDllSearchToSystem();
    // Ended here, not by returning: the system ends any background thread
    // first (one may be about to come back from a slow drive), and only then
    // are the program's objects destroyed.
    ::ExitProcess(static_cast<UINT>(AfxWinMain(&theApp)));
}
