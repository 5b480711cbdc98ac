#include "kit/art/SharedPalette.h"

#include <libimagequant.h>

#include <cmath>
#include <limits>
#include <unordered_map>

namespace {

std::vector<unsigned char> Rgba(const RgbImage& image) {
    std::vector<unsigned char> rgba(image.pixels.size() * 4);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        uint32_t p = image.pixels[i];
        rgba[4 * i] = (unsigned char)(p >> 16);
        rgba[4 * i + 1] = (unsigned char)(p >> 8);
        rgba[4 * i + 2] = (unsigned char)p;
        rgba[4 * i + 3] = 255;
    }
    return rgba;
}

int Distance(uint32_t a, uint32_t b) {
    int dr = (int)(a >> 16 & 0xFF) - (int)(b >> 16 & 0xFF);
    int dg = (int)(a >> 8 & 0xFF) - (int)(b >> 8 & 0xFF);
    int db = (int)(a & 0xFF) - (int)(b & 0xFF);
    return dr * dr + dg * dg + db * db;
}

// Faces hold few distinct colours: each is looked up once.
IndexedImage MapNearest(const RgbImage& image, const std::vector<uint32_t>& colours) {
    IndexedImage out{image.width, image.height, std::vector<uint8_t>(image.pixels.size())};
    std::unordered_map<uint32_t, uint8_t> known;
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        uint32_t p = image.pixels[i];
        auto it = known.find(p);
        if (it == known.end()) {
            size_t best = 0;
            for (size_t c = 1; c < colours.size(); ++c)
                if (Distance(p, colours[c]) < Distance(p, colours[best])) best = c;
            it = known.emplace(p, (uint8_t)best).first;
        }
        out.indices[i] = it->second;
    }
    return out;
}

}  // namespace

bool QuantizeTogether(const RgbImage& backdrop, const RgbImage& faces, SharedPalette* out, std::string* error) {
    std::vector<unsigned char> backdropRgba = Rgba(backdrop), facesRgba = Rgba(faces);
    liq_attr* attr = liq_attr_create();
    liq_set_max_colors(attr, 256);
    liq_image* backdropImage = liq_image_create_rgba(attr, backdropRgba.data(), backdrop.width, backdrop.height, 0);
    liq_image* facesImage = liq_image_create_rgba(attr, facesRgba.data(), faces.width, faces.height, 0);
    liq_histogram* histogram = liq_histogram_create(attr);
    liq_result* result = nullptr;
    bool ok = backdropImage && facesImage && histogram &&
              liq_histogram_add_image(histogram, attr, backdropImage) == LIQ_OK &&
              liq_histogram_add_image(histogram, attr, facesImage) == LIQ_OK &&
              liq_histogram_quantize(histogram, attr, &result) == LIQ_OK;
    if (ok) {
        // The last remapping refines the palette, so the faces are mapped to
        // the palette that the backdrop's remapping leaves.
        out->backdrop = {backdrop.width, backdrop.height, std::vector<uint8_t>(backdrop.pixels.size())};
        liq_set_dithering_level(result, 1.0f);
        ok = liq_write_remapped_image(result, backdropImage, out->backdrop.indices.data(),
                                      out->backdrop.indices.size()) == LIQ_OK;
    }
    if (ok) {
        const liq_palette* palette = liq_get_palette(result);
        out->colours.clear();
        for (unsigned i = 0; i < palette->count; ++i) {
            const liq_color& c = palette->entries[i];
            out->colours.push_back((uint32_t)c.r << 16 | (uint32_t)c.g << 8 | c.b);
        }
        out->faces = MapNearest(faces, out->colours);
    } else {
        *error = "the colours cannot be reduced to one palette";
    }
    if (result) liq_result_destroy(result);
    if (histogram) liq_histogram_destroy(histogram);
    if (facesImage) liq_image_destroy(facesImage);
    if (backdropImage) liq_image_destroy(backdropImage);
    liq_attr_destroy(attr);
    return ok;
}

double Psnr(const RgbImage& source, const IndexedImage& indexed, const std::vector<uint32_t>& colours) {
    double sum = 0;
    for (size_t i = 0; i < source.pixels.size(); ++i) sum += Distance(source.pixels[i], colours[indexed.indices[i]]);
    if (sum == 0) return std::numeric_limits<double>::infinity();
    double mse = sum / (3.0 * (double)source.pixels.size());
    return 10 * std::log10(255.0 * 255.0 / mse);
}
