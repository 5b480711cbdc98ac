#include "kit/art/ArtImage.h"

#include <png.h>
#include <sys/stat.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "kit/disc/DiscFolder.h"
#include "ui/PackedDib.h"

#ifdef BX_HAVE_JPEG
#include <jpeglib.h>
#endif

namespace {

// Anything past this is no artwork, and is not read into memory.
const off_t kMaxFileSize = 256L * 1024 * 1024;

// The launcher's loader takes sides up to kDibMaxSide.
bool SizeAllowed(long width, long height, std::string* error) {
    if (width > 0 && height > 0 && width <= kDibMaxSide && height <= kDibMaxSide && width * height <= kArtMaxPixels)
        return true;
    char sz[160];
    snprintf(sz, sizeof sz, "%ld x %ld pixels is beyond what the kit takes (%ld pixels, sides up to %ld)", width,
             height, kArtMaxPixels, (long)kDibMaxSide);
    *error = sz;
    return false;
}

uint32_t Blend(const unsigned char* rgba, uint32_t background) {
    unsigned a = rgba[3];
    uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) {
        unsigned bg = background >> (16 - 8 * c) & 0xFF;
        rgb = rgb << 8 | (rgba[c] * a + bg * (255 - a) + 127) / 255;
    }
    return rgb;
}

bool ReadPng(const std::vector<unsigned char>& file, uint32_t background, RgbImage* image, std::string* error) {
    png_image png;
    memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, file.data(), file.size())) {
        *error = std::string("not a PNG it can read (") + png.message + ")";
        return false;
    }
    if (!SizeAllowed(png.width, png.height, error)) {
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> rgba(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) {
        *error = std::string("a damaged or truncated PNG (") + png.message + ")";
        png_image_free(&png);
        return false;
    }
    image->width = (int)png.width;
    image->height = (int)png.height;
    image->pixels.resize(rgba.size() / 4);
    for (size_t i = 0; i < image->pixels.size(); ++i) image->pixels[i] = Blend(&rgba[4 * i], background);
    return true;
}

#ifdef BX_HAVE_JPEG
struct JpegError {
    jpeg_error_mgr mgr;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
    JpegError* e = (JpegError*)info->err;
    (*info->err->format_message)(info, e->message);
    longjmp(e->jump, 1);
}

// Quiet; a warning (level -1) is counted, as a file that ends early gives one.
void OnJpegMessage(j_common_ptr info, int level) {
    if (level < 0) ++info->err->num_warnings;
}

// Adobe's files store the ink inverted (255: none), as Photoshop writes them.
uint32_t CmykToRgb(const unsigned char* cmyk, bool bInverted) {
    unsigned k = bInverted ? cmyk[3] : 255 - cmyk[3];
    uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c) {
        unsigned paper = bInverted ? cmyk[c] : 255 - cmyk[c];
        rgb = rgb << 8 | (paper * k + 127) / 255;
    }
    return rgb;
}

bool ReadJpeg(const std::vector<unsigned char>& file, RgbImage* image, std::string* error) {
    jpeg_decompress_struct info;
    JpegError e;
    info.err = jpeg_std_error(&e.mgr);
    e.mgr.error_exit = OnJpegError;
    e.mgr.emit_message = OnJpegMessage;
    e.message[0] = 0;
    std::vector<unsigned char> row;
    if (setjmp(e.jump)) {
        *error = std::string("a damaged or truncated JPEG (") + e.message + ")";
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), (unsigned long)file.size());
    jpeg_read_header(&info, TRUE);
    if (!SizeAllowed((long)info.image_width, (long)info.image_height, error)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    // libjpeg turns CMYK into nothing but CMYK; the ink is taken off white here.
    bool bCmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = bCmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);
    image->width = (int)info.output_width;
    image->height = (int)info.output_height;
    image->pixels.assign((size_t)image->width * image->height, 0);
    row.resize((size_t)image->width * info.output_components);
    // A file that ends early gives grey rows and a warning: refused, not shown.
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {row.data()};
        unsigned y = info.output_scanline;
        jpeg_read_scanlines(&info, rows, 1);
        for (int x = 0; x < image->width; ++x)
            image->pixels[(size_t)y * image->width + x] =
                bCmyk ? CmykToRgb(&row[4 * x], info.saw_Adobe_marker)
                      : (uint32_t)row[3 * x] << 16 | (uint32_t)row[3 * x + 1] << 8 | row[3 * x + 2];
    }
    bool bShort = info.err->num_warnings > 0;
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (bShort) {
        *error = "a damaged or truncated JPEG";
        return false;
    }
    return true;
}
#endif

}  // namespace

bool ReadArtImage(const std::string& path, uint32_t background, RgbImage* image, std::string* error) {
    struct stat st;
    std::vector<unsigned char> file;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = "cannot be read";
        return false;
    }
    if (st.st_size > kMaxFileSize) {
        *error = "larger than any artwork the kit takes";
        return false;
    }
    if (!ReadWholeFile(path, &file)) {
        *error = "cannot be read";
        return false;
    }
    if (file.size() >= 8 && memcmp(file.data(), "\x89PNG\r\n\x1a\n", 8) == 0)
        return ReadPng(file, background, image, error);
    if (file.size() >= 3 && memcmp(file.data(), "\xFF\xD8\xFF", 3) == 0) {
#ifdef BX_HAVE_JPEG
        return ReadJpeg(file, image, error);
#else
        *error = "a JPEG, and this bxdisc was built without libjpeg: save it as PNG";
        return false;
#endif
    }
    *error = file.empty() ? "the file is empty" : "neither a PNG nor a JPEG image";
    return false;
}
