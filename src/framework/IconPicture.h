// An icon as a picture that an image list takes in one copy. Adding the
// icon itself (ImageList_ReplaceIcon) draws it twice and reads it back, a
// millisecond or two under Wine, on the thread that owns the list; the
// picture is made beforehand on any thread, and adding it costs a few
// microseconds.
#pragma once

#include <windows.h>

#include "framework/Handles.h"

// The icon drawn at size x size into a 32-bit top-down DIB section with
// straight (not premultiplied) alpha, as icons keep theirs; none when it
// cannot be drawn. A pixel an icon inverts (the rare XOR pixel of an old
// icon) comes out as the nearest plain colour.
UniqueBitmap IconPicture(HICON icon, int size);
