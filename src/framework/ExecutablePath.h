// Paths beside the running executable. The program keeps everything there:
// D:\Tools\Quillop.exe has the menu folder D:\Tools\Quillop, the hotkey
// file D:\Tools\Quillop.key and the help page D:\Tools\Quillop.htm.
#pragma once

#include "framework/CString.h"

// Buffers for long paths (the executable's, the files beside it, a file
// dialog's choice) hold twice MAX_PATH.
constexpr int kLongPathBuffer = MAX_PATH * 2;

// The executable's full path.
CString ExecutablePath();
// That path with its extension replaced by another (".key"), or removed
// when the other is empty.
CString ExecutableSibling(LPCWSTR extension);
// The executable's file name without its extension: the application name.
CString ExecutableBaseName();
