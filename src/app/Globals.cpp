// The program's global objects, constructed in this order at load and
// destroyed in reverse at exit.
#include "../hotkeys/HotkeyTable.h"
#include "LauncherApp.h"
#include "TrayWindow.h"

CTrayWindow theTrayWindow;
CLauncherApp theApp;
CStringPool theCommandPool;
CRecordArray theRecordList;
const UINT taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");
