// An icon as a picture that an image list takes in one copy. Adding the
// icon itself (ImageList_ReplaceIcon) draws it twice and reads it back, a
// millisecond or two under Wine, on the thread that owns the list; the
// picture is made beforehand on any thread, and adding it costs a few
// microseconds.
#pragma once

#include <windows.h>

#include "framework/Handles.h"

// What ImageList_Add and ImageList_Replace take: the colours, 32 bits a
// pixel top row first with straight (not premultiplied) alpha, as icons
// keep theirs, and the mask, set where nothing of the icon shows (the list
// draws from the mask alone a picture with no alpha at all, such as a blank
// icon's).
struct IconPicture {
    UniqueBitmap colour;
    UniqueBitmap mask;
    explicit operator bool() const { return colour && mask; }
};

// The icon drawn at size x size; none when it cannot be drawn. A pixel the
// icon inverts (as an old icon's white see-through pixels do) is left
// see-through, as the image list leaves it.
IconPicture PictureOfIcon(HICON icon, int size);
