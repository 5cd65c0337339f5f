// A DLL that a test plants beside its program under a name Windows does
// not pin: a program that searches its own folder first would load it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
