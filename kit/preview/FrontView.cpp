#include "kit/preview/FrontView.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

#include "ui/ButtonFace.h"

RgbImage DrawFront(const DiscBitmap& backdrop, const DiscBitmap* strip, bool bInstalled, int nColumn,
                   ButtonPlacement* placed) {
    RgbImage image;
    image.width = (int)backdrop.width;
    image.height = (int)backdrop.height;
    image.pixels = DecodePixels(backdrop);
    if (placed) *placed = ButtonPlacement();
    if (!strip) return image;

    SIZE face = StripFaceSize(*strip);
    ButtonPlacement placement = PlaceFrontButtons(image.width, image.height, face, bInstalled, 1);
    if (placed) *placed = placement;
    std::vector<uint32_t> faces = DecodePixels(*strip);
    bool bFocusGiven = false;
    for (int i = 0; i < kFrontButtons; ++i) {
        if (!placement.bShown[i]) continue;
        UINT nState = bFocusGiven ? 0 : ODS_FOCUS;
        bFocusGiven = true;
        int nFace = nColumn == kOpeningFaces ? ChooseFaceColumn(nState, false) : nColumn;
        RECT src = GetFaceRect(face, nFace, i);
        const RECT& dst = placement.rc[i];
        // Clipped to the window, as the platform clips a child's drawing.
        for (LONG y = 0; y < face.cy; ++y) {
            LONG ty = dst.top + y;
            if (ty < 0 || ty >= image.height) continue;
            for (LONG x = 0; x < face.cx; ++x) {
                LONG tx = dst.left + x;
                if (tx < 0 || tx >= image.width) continue;
                image.pixels[(size_t)ty * image.width + tx] =
                    faces[(size_t)(src.top + y) * strip->width + src.left + x];
            }
        }
    }
    return image;
}

RgbImage DrawAllFaces(const DiscBitmap& backdrop, const DiscBitmap& strip) {
    const LONG kGap = 8;
    // The band of the window that holds the buttons, with their margin above.
    SIZE face = StripFaceSize(strip);
    LONG top = PlaceFrontButtons(backdrop.width, backdrop.height, face, false, 1).rc[IDC_EXIT - IDC_RUN].top - 10;
    if (top < 0) top = 0;
    LONG band = backdrop.height - top;
    RgbImage sheet;
    sheet.width = (int)(2 * backdrop.width + kGap);
    sheet.height = (int)(kFaceColumns * band + (kFaceColumns - 1) * kGap);
    sheet.pixels.assign((size_t)sheet.width * sheet.height, 0xFFFFFF);
    for (int nColumn = 0; nColumn < kFaceColumns; ++nColumn) {
        for (int nInstalled = 0; nInstalled < 2; ++nInstalled) {
            RgbImage one = DrawFront(backdrop, &strip, nInstalled != 0, nColumn);
            size_t left = (size_t)nInstalled * (backdrop.width + kGap);
            size_t at = (size_t)nColumn * (band + kGap);
            for (LONG y = 0; y < band; ++y) {
                const uint32_t* row = &one.pixels[(size_t)(top + y) * one.width];
                std::copy(row, row + one.width, &sheet.pixels[(at + y) * sheet.width + left]);
            }
        }
    }
    return sheet;
}

RgbImage ScaleUp(const RgbImage& image, int n) {
    if (n <= 1) return image;
    RgbImage scaled;
    scaled.width = image.width * n;
    scaled.height = image.height * n;
    scaled.pixels.resize((size_t)scaled.width * scaled.height);
    for (int y = 0; y < scaled.height; ++y) {
        const uint32_t* from = &image.pixels[(size_t)(y / n) * image.width];
        uint32_t* to = &scaled.pixels[(size_t)y * scaled.width];
        for (int x = 0; x < scaled.width; ++x) to[x] = from[x / n];
    }
    return scaled;
}

bool WritePng(const std::string& path, const RgbImage& image) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> row((size_t)image.width * 3);
    bool ok = false;
    if (info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_set_IHDR(png, info, (png_uint_32)image.width, (png_uint_32)image.height, 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (LONG y = 0; y < image.height; ++y) {
            for (LONG x = 0; x < image.width; ++x) {
                uint32_t rgb = image.pixels[(size_t)y * image.width + x];
                row[3 * x] = (png_byte)(rgb >> 16);
                row[3 * x + 1] = (png_byte)(rgb >> 8);
                row[3 * x + 2] = (png_byte)rgb;
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return fclose(f) == 0 && ok;
}
