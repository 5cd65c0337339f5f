#include "framework/Dpi.h"

#include "framework/Handles.h"

int SystemDpi()
{
    // Fixed for the process's life: it is read once.
    static const int dpi = [] {
        WindowDC screen(nullptr);
        int value = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
        return value > 0 ? value : 96;
    }();
    return dpi;
}
