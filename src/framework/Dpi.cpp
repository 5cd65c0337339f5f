#include "framework/Dpi.h"

int SystemDpi()
{
    // Fixed for the process's life: it is read once.
    static const int dpi = [] {
        HDC screen = ::GetDC(nullptr);
        int value = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ::ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}
