#include "app/LauncherApp.h"

// Naming the application object here also links the program's global
// objects into the executable.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    RestrictDllSearchToSystem();
    return AfxWinMain(&theApp);
}
