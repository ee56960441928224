#pragma once

// The second deinterlacer: the same repair as DeinterlacePicture, with masks
// of its own instead of the caller's. The masks live as long as the program
// and follow the size of each picture they are given (they are reallocated
// only when it changes). Callers on different threads may use it at once:
// their calls take turns on the masks, and each gets the result it would get
// alone.

#include "stages/deinter.h"

#include <QImage>

// source into destination; the destination may be the source itself. False,
// and nothing written, when the sizes differ or a picture is empty.
bool DeinterlacePicture2(const TConstPictureRows &source, const TPictureRows &destination);

// source (Format_BGR888) into destination, which is made a Format_BGR888
// image of the source's size when it is not one already. False, and
// destination untouched, for a null source or another format.
bool DeinterlacePicture2(const QImage &source, QImage &destination);
