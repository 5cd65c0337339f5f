// The program's global objects, constructed in this order at load and
// destroyed in reverse at exit.
#include "app/LauncherApp.h"
#include "app/TrayWindow.h"
#include "hotkeys/HotkeyTable.h"

CTrayWindow theTrayWindow;
CLauncherApp theApp;
CStringPool theCommandPool;
CRecordArray theRecordList;
const UINT taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");
