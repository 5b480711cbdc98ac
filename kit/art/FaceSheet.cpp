#include "kit/art/FaceSheet.h"

// The launcher's types first, whose TRUE and FALSE glib then keeps.
#include "ui/ButtonFace.h"
#include "ui/FrontLayout.h"
#include "kit/art/CairoImage.h"

#include <cairo.h>
#include <pango/pangocairo.h>
#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct Colour {
    double r, g, b;
};

Colour FromRgb(uint32_t rgb) { return {(rgb >> 16 & 0xFF) / 255.0, (rgb >> 8 & 0xFF) / 255.0, (rgb & 0xFF) / 255.0}; }

// Towards white (t > 0) or black (t < 0).
Colour Shade(Colour c, double t) {
    double to = t > 0 ? 1.0 : 0.0, k = std::fabs(t);
    return {c.r + (to - c.r) * k, c.g + (to - c.g) * k, c.b + (to - c.b) * k};
}

void Source(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

// Whole pixels only: lines and dots stay crisp through the palette.
void Box(cairo_t* cr, int x, int y, int w, int h) {
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

void Frame(cairo_t* cr, int x, int y, int w, int h, int t) {
    Box(cr, x, y, w, t), Box(cr, x, y + h - t, w, t);
    Box(cr, x, y + t, t, h - 2 * t), Box(cr, x + w - t, y + t, t, h - 2 * t);
}

// Every other pixel of a rectangle's edge, as Windows draws a focus rectangle.
void Dots(cairo_t* cr, int x, int y, int w, int h) {
    for (int i = 0; i < w; i += 2) cairo_rectangle(cr, x + i, y, 1, 1), cairo_rectangle(cr, x + i, y + h - 1, 1, 1);
    for (int i = 2; i < h - 1; i += 2) cairo_rectangle(cr, x, y + i, 1, 1), cairo_rectangle(cr, x + w - 1, y + i, 1, 1);
    cairo_fill(cr);
}

// Generic names that fontconfig always answers with some installed family.
bool IsGenericFamily(const char* family) {
    for (const char* g : {"sans", "sans-serif", "serif", "monospace", "mono", "system-ui"})
        if (strcasecmp(family, g) == 0) return true;
    return false;
}

class CFacePainter {
public:
    CFacePainter(cairo_t* cr, const FaceStyle& style) : m_cr(cr), m_style(style), m_accent(FromRgb(style.accent)) {
        double luma = 0.299 * m_accent.r + 0.587 * m_accent.g + 0.114 * m_accent.b;
        m_ink = luma < 0.6 ? Colour{1, 1, 1} : Colour{0.06, 0.06, 0.06};
        m_bLightInk = luma < 0.6;
    }

    void Draw(int column, const std::string& label, PangoLayout* layout);

private:
    void Fill(double top, double bottom);

    cairo_t* m_cr;
    const FaceStyle& m_style;
    Colour m_accent, m_ink;
    bool m_bLightInk;
};

void CFacePainter::Fill(double top, double bottom) {
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 0, m_style.height);
    Colour a = Shade(m_accent, top), b = Shade(m_accent, bottom);
    cairo_pattern_add_color_stop_rgb(p, 0, a.r, a.g, a.b);
    cairo_pattern_add_color_stop_rgb(p, 1, b.r, b.g, b.b);
    cairo_set_source(m_cr, p);
    cairo_rectangle(m_cr, 0, 0, m_style.width, m_style.height);
    cairo_fill(m_cr);
    cairo_pattern_destroy(p);
}

// Raised faces lit from the top left; pressed ones darker, sunk, their label
// a pixel down and right; hover lighter; a focused face has a light ring and
// a dotted rectangle inside, as Windows marks the focus.
void CFacePainter::Draw(int column, const std::string& label, PangoLayout* layout) {
    const int w = m_style.width, h = m_style.height;
    bool bPressed = column == FacePressed;
    bool bHover = column == FaceHover || column == FaceHoverFocus;
    bool bFocus = column == FaceFocus || column == FaceHoverFocus;
    if (bPressed) Fill(-0.45, -0.2);
    else if (bHover) Fill(0.45, 0.15);
    else Fill(0.15, -0.1);

    if (bPressed) {
        Source(m_cr, Shade(m_accent, -0.7));
        Box(m_cr, 1, 1, w - 2, 2), Box(m_cr, 1, 1, 2, h - 2);
    } else {
        Source(m_cr, Shade(m_accent, 0.6));
        Box(m_cr, 1, 1, w - 2, 1), Box(m_cr, 1, 1, 1, h - 2);
        Source(m_cr, Shade(m_accent, -0.45));
        Box(m_cr, 1, h - 2, w - 2, 1), Box(m_cr, w - 2, 1, 1, h - 2);
    }
    Source(m_cr, bFocus ? Shade(m_accent, 0.85) : Shade(m_accent, -0.6));
    Frame(m_cr, 0, 0, w, h, bFocus ? 2 : 1);
    if (bFocus) {
        Source(m_cr, m_ink);
        Dots(m_cr, 4, 4, w - 8, h - 8);
    }

    pango_layout_set_text(layout, label.c_str(), -1);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    int x = (w - logical.width) / 2 - logical.x + (bPressed ? 1 : 0);
    int y = (h - logical.height) / 2 - logical.y + (bPressed ? 1 : 0);
    if (m_bLightInk) {
        Source(m_cr, Shade(m_accent, -0.65));
        cairo_move_to(m_cr, x + 1, y + 1);
        pango_cairo_show_layout(m_cr, layout);
    }
    Source(m_cr, m_ink);
    cairo_move_to(m_cr, x, y);
    pango_cairo_show_layout(m_cr, layout);
}

// The description with its defaults: DejaVu Sans, 40% of the face's height.
PangoFontDescription* Describe(const FaceStyle& style) {
    PangoFontDescription* desc = pango_font_description_from_string(style.font.c_str());
    PangoFontMask set = pango_font_description_get_set_fields(desc);
    if (!(set & PANGO_FONT_MASK_FAMILY)) pango_font_description_set_family(desc, "DejaVu Sans");
    if (!(set & PANGO_FONT_MASK_SIZE) || pango_font_description_get_size(desc) <= 0)
        pango_font_description_set_absolute_size(desc, 0.4 * style.height * PANGO_SCALE);
    return desc;
}

// False when fontconfig would put another family in the font's place.
bool FontInstalled(PangoContext* context, PangoFontDescription* desc, std::string* error) {
    std::string wanted = pango_font_description_get_family(desc);
    std::string first = wanted.substr(0, wanted.find(','));
    while (!first.empty() && first.back() == ' ') first.pop_back();
    if (IsGenericFamily(first.c_str())) return true;
    PangoFont* font = pango_context_load_font(context, desc);
    std::string got;
    if (font) {
        PangoFontDescription* loaded = pango_font_describe(font);
        const char* family = pango_font_description_get_family(loaded);
        got = family ? family : "";
        pango_font_description_free(loaded);
        g_object_unref(font);
    }
    if (strcasecmp(got.c_str(), first.c_str()) == 0) return true;
    *error = "the font \"" + first + "\" is not installed" + (got.empty() ? "" : " (it would be \"" + got + "\")");
    return false;
}

}  // namespace

bool DrawFaceSheet(const FaceStyle& style, RgbImage* sheet, std::string* error) {
    if (style.width < 16 || style.height < 12 || style.width > 2000 || style.height > 2000) {
        *error = "a face takes 16 x 12 to 2000 x 2000 pixels";
        return false;
    }
    const int w = style.width, h = style.height;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w * kFaceColumns, h * kFrontButtons);
    cairo_t* cr = cairo_create(surface);
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoContext* context = pango_layout_get_context(layout);
    // Grey anti-aliasing, no sub-pixel colours: the faces go through a palette.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    pango_cairo_context_set_font_options(context, options);
    pango_cairo_context_set_resolution(context, 96);
    cairo_font_options_destroy(options);
    PangoFontDescription* desc = Describe(style);
    pango_layout_set_font_description(layout, desc);
    pango_layout_context_changed(layout);

    bool ok = FontInstalled(context, desc, error);
    for (int row = 0; ok && row < 4; ++row) {
        const std::string& label = style.labels[row];
        if (label.empty() || !g_utf8_validate(label.c_str(), -1, nullptr)) {
            *error = label.empty() ? "a label is empty" : "a label is not UTF-8 text";
            ok = false;
            break;
        }
        pango_layout_set_text(layout, label.c_str(), -1);
        PangoRectangle ink, logical;
        pango_layout_get_pixel_extents(layout, &ink, &logical);
        int room = w - 2 * std::max(6, h / 4);
        if (logical.width > room || logical.height > h - 4) {
            char sz[300];
            snprintf(sz, sizeof sz, "the label \"%.80s\" is %d x %d pixels in %.60s; a %d x %d face holds %d x %d",
                     label.c_str(), logical.width, logical.height, style.font.c_str(), w, h, room, h - 4);
            *error = sz;
            ok = false;
        }
    }
    CFacePainter painter(cr, style);
    for (int row = 0; ok && row < 4; ++row) {
        for (int column = 0; column < kFaceColumns; ++column) {
            cairo_save(cr);
            cairo_translate(cr, column * w, row * h);
            cairo_rectangle(cr, 0, 0, w, h);
            cairo_clip(cr);
            painter.Draw(column, style.labels[row], layout);
            cairo_restore(cr);
        }
    }
    if (ok && cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        *error = std::string("cannot draw the faces (") + cairo_status_to_string(cairo_surface_status(surface)) + ")";
        ok = false;
    }
    if (ok) *sheet = FromCairoSurface(surface);
    pango_font_description_free(desc);
    g_object_unref(layout);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return ok;
}
