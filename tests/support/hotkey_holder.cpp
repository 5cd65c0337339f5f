// A tiny program that holds one system-wide hotkey until it is ended, so
// that tests can meet a combination another program owns.
// Usage: hotkey_holder <modifiers> <virtual key>, both decimal.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) return 2;
    UINT modifiers = static_cast<UINT>(std::wcstoul(argv[1], nullptr, 10));
    UINT key = static_cast<UINT>(std::wcstoul(argv[2], nullptr, 10));
    if (!RegisterHotKey(nullptr, 1, modifiers, key)) return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    }
    return 0;
}
