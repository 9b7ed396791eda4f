#include "image_io.h"

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>

#include <jpeglib.h>
#include <png.h>

namespace scr::render {

namespace {

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

File OpenFile(const std::string& path, const char* mode) {
    File f(std::fopen(path.c_str(), mode), &std::fclose);
    if (!f) throw ImageError("cannot open " + path + ": " + std::strerror(errno));
    return f;
}

Bitmap NewBitmap(const std::string& path, long width, long height) {
    if (!Bitmap::size_allowed(int(std::min(width, 1L << 20)), int(std::min(height, 1L << 20))))
        throw ImageError(path + ": picture of " + std::to_string(width) + "x" + std::to_string(height) +
                         " pixels is too large");
    return Bitmap(int(width), int(height));
}

Bitmap ReadPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        throw ImageError("cannot read " + path + ": " + image.message);
    image.format = PNG_FORMAT_BGR;
    Bitmap bmp;
    try {
        bmp = NewBitmap(path, long(image.width), long(image.height));
    } catch (...) {
        png_image_free(&image);
        throw;
    }
    // Rows of the bitmap are padded; the stride is in bytes, which for 8-bit samples is components.
    if (!png_image_finish_read(&image, nullptr, bmp.data(), png_int_32(bmp.stride()), nullptr))
        throw ImageError("cannot read " + path + ": " + image.message);
    return bmp;
}

struct JpegErrors {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Decodes into *out, which lives outside this function: after a longjmp back to the setjmp
// here, only objects reached through pointers are in a defined state.
bool DecodeJpeg(FILE* f, Bitmap* out, std::string* error) {
    jpeg_decompress_struct cinfo{};
    JpegErrors errors{};
    cinfo.err = jpeg_std_error(&errors.mgr);
    errors.mgr.error_exit = [](j_common_ptr c) {
        auto* e = reinterpret_cast<JpegErrors*>(c->err);
        (*c->err->format_message)(c, e->message);
        std::longjmp(e->jump, 1);
    };
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        *error = errors.message;
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    if (!Bitmap::size_allowed(int(std::min<JDIMENSION>(cinfo.output_width, 1u << 20)),
                              int(std::min<JDIMENSION>(cinfo.output_height, 1u << 20)))) {
        *error = "picture of " + std::to_string(cinfo.output_width) + "x" + std::to_string(cinfo.output_height) +
                 " pixels is too large";
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    *out = Bitmap(int(cinfo.output_width), int(cinfo.output_height));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out->row(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

Bitmap ReadJpeg(const std::string& path) {
    File f = OpenFile(path, "rb");
    Bitmap bmp;
    std::string error;
    if (!DecodeJpeg(f.get(), &bmp, &error)) throw ImageError("cannot read " + path + ": " + error);
    return bmp;
}

}  // namespace

Bitmap ReadImage(const std::string& path) {
    unsigned char magic[8] = {};
    {
        File f = OpenFile(path, "rb");
        if (std::fread(magic, 1, sizeof magic, f.get()) < 3) throw ImageError(path + ": not a PNG or JPEG picture");
    }
    if (png_sig_cmp(magic, 0, 8) == 0) return ReadPng(path);
    if (magic[0] == 0xFF && magic[1] == 0xD8 && magic[2] == 0xFF) return ReadJpeg(path);
    throw ImageError(path + ": not a PNG or JPEG picture");
}

void WritePng(const std::string& path, const Bitmap& bitmap) {
    if (bitmap.empty()) throw ImageError("cannot write " + path + ": empty picture");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(bitmap.width());
    image.height = png_uint_32(bitmap.height());
    image.format = PNG_FORMAT_BGR;
    if (!png_image_write_to_file(&image, path.c_str(), 0, bitmap.data(), png_int_32(bitmap.stride()), nullptr))
        throw ImageError("cannot write " + path + ": " + image.message);
}

}  // namespace scr::render
