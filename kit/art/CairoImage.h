// What cairo drew, as the kit's true-colour picture.
#pragma once

#include <cairo.h>

#include "kit/disc/RgbImage.h"

// An RGB24 image surface's pixels, flushed.
RgbImage FromCairoSurface(cairo_surface_t* surface);
