#include "kit/art/StarterBackdrop.h"

#include <pango/pangocairo.h>

#include "kit/art/CairoImage.h"

namespace {

double Channel(uint32_t rgb, int shift, double scale) { return (rgb >> shift & 0xFF) / 255.0 * scale; }

}  // namespace

bool DrawStarterBackdrop(const std::string& productName, uint32_t accent, RgbImage* image, std::string* error) {
    if (!g_utf8_validate(productName.c_str(), -1, nullptr)) {
        *error = "the product's name is not UTF-8 text";
        return false;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kStarterWidth, kStarterHeight);
    cairo_t* cr = cairo_create(surface);
    // Darker at the bottom, where the buttons stand out against it.
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, kStarterHeight);
    cairo_pattern_add_color_stop_rgb(sky, 0, Channel(accent, 16, 0.9), Channel(accent, 8, 0.9), Channel(accent, 0, 0.9));
    cairo_pattern_add_color_stop_rgb(sky, 1, Channel(accent, 16, 0.2), Channel(accent, 8, 0.2), Channel(accent, 0, 0.2));
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);

    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* desc = pango_font_description_from_string("DejaVu Sans Bold");
    pango_layout_set_text(layout, productName.c_str(), -1);
    // The largest size up to 36 pixels at which the name fits across.
    const int room = kStarterWidth - 60;
    PangoRectangle ink, logical;
    for (int px = 36; px >= 10; px -= 2) {
        pango_font_description_set_absolute_size(desc, px * PANGO_SCALE);
        pango_layout_set_font_description(layout, desc);
        pango_layout_get_pixel_extents(layout, &ink, &logical);
        if (logical.width <= room) break;
    }
    pango_layout_set_width(layout, room * PANGO_SCALE);
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_move_to(cr, (kStarterWidth - logical.width) / 2, kStarterHeight / 3 - logical.height / 2);
    pango_cairo_show_layout(cr, layout);
    pango_font_description_free(desc);
    g_object_unref(layout);

    bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    if (ok) {
        *image = FromCairoSurface(surface);
    } else {
        *error = std::string("cannot draw the backdrop (") + cairo_status_to_string(cairo_surface_status(surface)) + ")";
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return ok;
}
