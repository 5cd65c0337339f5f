// The program is aware of the system's DPI (its manifest says so): what it
// draws itself, it scales from the 96 DPI measures by the system's DPI.
#pragma once

#include "framework/Afx.h"

// The system's DPI: 96 at 100 % scaling, 192 at 200 %.
int SystemDpi();
// A length given at 96 DPI, at the system's DPI.
inline int ScaleToDpi(int pixels) { return ::MulDiv(pixels, SystemDpi(), 96); }
