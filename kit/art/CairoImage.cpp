#include "kit/art/CairoImage.h"

#include <cstddef>

RgbImage FromCairoSurface(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    RgbImage image;
    image.width = cairo_image_surface_get_width(surface);
    image.height = cairo_image_surface_get_height(surface);
    image.pixels.resize((size_t)image.width * image.height);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < image.height; ++y) {
        const uint32_t* row = (const uint32_t*)(data + (size_t)y * stride);
        for (int x = 0; x < image.width; ++x) image.pixels[(size_t)y * image.width + x] = row[x] & 0xFFFFFF;
    }
    return image;
}
