#include "test_files.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

std::string testDirectory(const std::string& tag)
{
    fs::path dir = fs::temp_directory_path() / ("impact-test-" + tag + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

void writeTextFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::vector<unsigned char> readBinaryFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string ppdText(const PpdText& ppd)
{
    std::ostringstream out;
    out << "*PPD-Adobe: \"4.3\"\n"
        << "*FormatVersion: \"4.3\"\n"
        << "*FileVersion: \"1.0\"\n"
        << "*LanguageVersion: English\n"
        << "*LanguageEncoding: ISOLatin1\n"
        << "*PCFileName: \"TEST.PPD\"\n"
        << "*Manufacturer: \"Test\"\n"
        << "*Product: \"(Test)\"\n"
        << "*ModelName: \"Test Impact\"\n"
        << "*ShortNickName: \"Test Impact\"\n"
        << "*NickName: \"Test Impact\"\n"
        << "*PSVersion: \"(3010.000) 0\"\n"
        << "*LanguageLevel: \"3\"\n"
        << "*ColorDevice: False\n"
        << "*DefaultColorSpace: Gray\n"
        << "*FileSystem: False\n"
        << "*Throughput: \"1\"\n"
        << "*TTRasterizer: Type42\n"
        << "*cupsVersion: 2.4\n"
        << "*cupsModelNumber: " << ppd.modelNumber << "\n"
        << "*cupsFilter: \"application/vnd.cups-raster 100 rastertoimpact\"\n";
    if (!ppd.pageSizes.empty()) {
        out << "*OpenUI *PageSize/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n"
            << "*DefaultPageSize: " << ppd.defaultPageSize << "\n";
        for (const auto& entry : ppd.pageSizes) {
            std::istringstream in(entry);
            std::string name;
            double w, l, left, bottom, right, top;
            in >> name >> w >> l >> left >> bottom >> right >> top;
            out << "*PageSize " << name << ": \"<</PageSize[" << w << " " << l << "]>>setpagedevice\"\n";
        }
        out << "*CloseUI: *PageSize\n";
        out << "*OpenUI *PageRegion: PickOne\n*OrderDependency: 10 AnySetup *PageRegion\n"
            << "*DefaultPageRegion: " << ppd.defaultPageSize << "\n";
        for (const auto& entry : ppd.pageSizes) {
            std::istringstream in(entry);
            std::string name;
            double w, l;
            in >> name >> w >> l;
            out << "*PageRegion " << name << ": \"<</PageSize[" << w << " " << l << "]>>setpagedevice\"\n";
        }
        out << "*CloseUI: *PageRegion\n";
        out << "*DefaultImageableArea: " << ppd.defaultPageSize << "\n";
        for (const auto& entry : ppd.pageSizes) {
            std::istringstream in(entry);
            std::string name;
            double w, l, left, bottom, right, top;
            in >> name >> w >> l >> left >> bottom >> right >> top;
            out << "*ImageableArea " << name << ": \"" << left << " " << bottom << " " << right << " " << top
                << "\"\n";
        }
        out << "*DefaultPaperDimension: " << ppd.defaultPageSize << "\n";
        for (const auto& entry : ppd.pageSizes) {
            std::istringstream in(entry);
            std::string name;
            double w, l;
            in >> name >> w >> l;
            out << "*PaperDimension " << name << ": \"" << w << " " << l << "\"\n";
        }
    }
    out << ppd.extra;
    return out.str();
}

RasterPage blankPage(uint32_t widthDots, uint32_t heightLines, uint32_t hdpi, uint32_t vdpi, uint32_t rows)
{
    RasterPage page;
    std::memset(&page.header, 0, sizeof page.header);
    cups_page_header2_t& h = page.header;
    h.HWResolution[0] = hdpi;
    h.HWResolution[1] = vdpi;
    h.PageSize[0] = hdpi ? widthDots * 72 / hdpi : 0;
    h.PageSize[1] = vdpi ? heightLines * 72 / vdpi : 0;
    h.NumCopies = 1;
    h.cupsWidth = widthDots;
    h.cupsHeight = heightLines;
    h.cupsMediaType = 0;
    h.cupsBitsPerColor = 1;
    h.cupsBitsPerPixel = 1;
    h.cupsBytesPerLine = (widthDots + 7) / 8;
    h.cupsColorOrder = CUPS_ORDER_CHUNKED;
    h.cupsColorSpace = CUPS_CSPACE_K;
    h.cupsRowCount = rows;
    h.cupsNumColors = 1;
    page.bits.assign(static_cast<size_t>(h.cupsBytesPerLine) * heightLines, 0);
    return page;
}

void setDot(RasterPage* page, uint32_t x, uint32_t y)
{
    page->bits[static_cast<size_t>(y) * page->header.cupsBytesPerLine + x / 8] |=
        static_cast<unsigned char>(0x80 >> (x % 8));
}

void writeRasterFile(const std::string& path, const std::vector<RasterPage>& pages, bool compressed)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot create " + path);
    cups_raster_t* ras = cupsRasterOpen(fd, compressed ? CUPS_RASTER_WRITE_COMPRESSED : CUPS_RASTER_WRITE);
    for (const auto& page : pages) {
        cups_page_header2_t header = page.header;
        cupsRasterWriteHeader2(ras, &header);
        if (!page.bits.empty())
            cupsRasterWritePixels(ras, const_cast<unsigned char*>(page.bits.data()),
                                  static_cast<unsigned>(page.bits.size()));
    }
    cupsRasterClose(ras);
    ::close(fd);
}

std::vector<unsigned char> rasterBytes(const std::vector<RasterPage>& pages, bool compressed)
{
    char path[] = "/tmp/impact-raster-XXXXXX";
    int fd = ::mkstemp(path);
    ::close(fd);
    writeRasterFile(path, pages, compressed);
    std::vector<unsigned char> bytes = readBinaryFile(path);
    ::unlink(path);
    return bytes;
}
