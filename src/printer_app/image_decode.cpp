#include "printer_app/image_decode.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    jmp_buf jump;
};

// libjpeg's own handler ends the process.
void jpegFailed(j_common_ptr info)
{
    longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

void jpegSilent(j_common_ptr) {}

} // namespace

int decodePng(const char* path, GrayImage* image)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path))
        return 22;
    png.format = PNG_FORMAT_GRAY;
    if (png.width == 0 || png.height == 0 || static_cast<uint64_t>(png.width) * png.height > kMaxImagePixels) {
        png_image_free(&png);
        return 22;
    }
    image->width = png.width;
    image->height = png.height;
    image->pixels.resize(PNG_IMAGE_SIZE(png));
    // Transparent parts are paper.
    png_color white{255, 255, 255};
    if (!png_image_finish_read(&png, &white, image->pixels.data(), 0, nullptr)) {
        png_image_free(&png);
        return 22;
    }
    image->ppi = 0;
    return 0;
}

int decodeJpeg(const char* path, GrayImage* image)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return 22;
    jpeg_decompress_struct info;
    JpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = jpegFailed;
    error.manager.output_message = jpegSilent;
    // Nothing with a destructor lives between here and a longjmp.
    if (setjmp(error.jump) != 0) {
        jpeg_destroy_decompress(&info);
        std::fclose(file);
        return 22;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_GRAYSCALE;
    jpeg_start_decompress(&info);
    if (info.output_width == 0 || info.output_height == 0 ||
        static_cast<uint64_t>(info.output_width) * info.output_height > kMaxImagePixels)
        longjmp(error.jump, 1);
    image->width = info.output_width;
    image->height = info.output_height;
    image->ppi = info.density_unit == 1 ? info.X_density : info.density_unit == 2 ? info.X_density * 2.54 : 0;
    image->pixels.resize(static_cast<size_t>(image->width) * image->height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image->pixels.data() + static_cast<size_t>(info.output_scanline) * image->width;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(file);
    return 0;
}

int decodeImage(const char* path, GrayImage* image)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return 22;
    png_byte signature[8];
    const bool png = std::fread(signature, 1, sizeof signature, file) == sizeof signature &&
                     png_sig_cmp(signature, 0, sizeof signature) == 0;
    std::fclose(file);
    return png ? decodePng(path, image) : decodeJpeg(path, image);
}
