#include <cstdio>
#include <csetjmp>

#include <png.h>

#include "page_image.h"

namespace {

// libpng reports errors by longjmp, so nothing in this frame has a destructor.
int writeRows(FILE* file, const PageImage* image)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr)
        return 5;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return 5;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 5;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, image->width, image->height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (uint32_t y = 0; y < image->height; ++y)
        png_write_row(png, image->pixels.data() + static_cast<size_t>(y) * image->width);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return 0;
}

} // namespace

int writePageImagePng(const char* path, const PageImage& image)
{
    if (path == nullptr || image.width == 0 || image.height == 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height)
        return 22;
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr)
        return 5;
    int status = writeRows(file, &image);
    if (std::fclose(file) != 0 && status == 0)
        status = 5;
    return status;
}
