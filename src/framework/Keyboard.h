// The keyboard's state as of the message being handled.
#pragma once

#include "framework/Afx.h"

// Whether the key (VK_SHIFT, VK_CONTROL...) was down when the message
// being handled was sent.
inline bool IsKeyDown(int key) { return (::GetKeyState(key) & 0x8000) != 0; }
