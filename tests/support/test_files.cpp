#include "test_files.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

TempDir::TempDir() : path((fs::temp_directory_path() / "impact-test-XXXXXX").string())
{
    if (::mkdtemp(path.data()) == nullptr)
        throw std::runtime_error("cannot make a scratch folder");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

void writeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

std::vector<unsigned char> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string readText(const std::string& path)
{
    const std::vector<unsigned char> bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string ppdOption(const std::string& keyword, const std::string& defaultChoice,
                      const std::vector<std::string>& choices)
{
    std::string text = "*OpenUI *" + keyword + ": PickOne\n*OrderDependency: 20 AnySetup *" + keyword +
                       "\n*Default" + keyword + ": " + defaultChoice + "\n";
    for (const std::string& choice : choices)
        text += "*" + keyword + " " + choice + ": \"\"\n";
    return text + "*CloseUI: *" + keyword + "\n";
}

std::string paperOptions()
{
    return ppdOption("InputSlot", "Tractor", {"Tractor", "TractorFront", "CutSheet", "RollPaper"}) +
           ppdOption("KXTearOff", "Off", {"Off", "On"}) + ppdOption("KXSvRP", "Off", {"Off", "On"}) +
           ppdOption("KXPackMode", "Off", {"Off", "Auto"}) + ppdOption("KXSpeed", "Default", {"Default", "High", "Normal"}) +
           ppdOption("KXPrintDirection", "Default", {"Default", "UniOn", "UniOff"}) +
           ppdOption("KXTopMP", "Printer", {"Printer", "Driver"});
}

namespace {

// The text of a PPD file the filter can read.
std::string ppdText(const PpdText& ppd)
{
    std::ostringstream out;
    out << "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
           "*LanguageEncoding: ISOLatin1\n*PCFileName: \"TEST.PPD\"\n*Manufacturer: \"Test\"\n*Product: \"(Test)\"\n"
           "*ModelName: \"Test Impact\"\n*ShortNickName: \"Test Impact\"\n*NickName: \"Test Impact\"\n"
           "*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: False\n*DefaultColorSpace: Gray\n"
           "*FileSystem: False\n*Throughput: \"1\"\n*TTRasterizer: Type42\n*cupsVersion: 2.4\n"
           "*cupsFilter: \"application/vnd.cups-raster 100 rastertoimpact\"\n*cupsModelNumber: "
        << ppd.modelNumber << "\n";
    if (!ppd.pageSizes.empty()) {
        std::string sizes, regions, areas, dimensions;
        for (const std::string& entry : ppd.pageSizes) {
            std::istringstream in(entry);
            std::string name, w, l, left, bottom, right, top;
            in >> name >> w >> l >> left >> bottom >> right >> top;
            const std::string code = ": \"<</PageSize[" + w + " " + l + "]>>setpagedevice\"\n";
            sizes += "*PageSize " + name + code;
            regions += "*PageRegion " + name + code;
            areas += "*ImageableArea " + name + ": \"" + left + " " + bottom + " " + right + " " + top + "\"\n";
            dimensions += "*PaperDimension " + name + ": \"" + w + " " + l + "\"\n";
        }
        const std::string& d = ppd.defaultPageSize;
        out << "*OpenUI *PageSize/Media Size: PickOne\n*OrderDependency: 10 AnySetup *PageSize\n*DefaultPageSize: "
            << d << "\n" << sizes << "*CloseUI: *PageSize\n*OpenUI *PageRegion: PickOne\n"
            << "*OrderDependency: 10 AnySetup *PageRegion\n*DefaultPageRegion: " << d << "\n" << regions
            << "*CloseUI: *PageRegion\n*DefaultImageableArea: " << d << "\n" << areas << "*DefaultPaperDimension: " << d
            << "\n" << dimensions;
    }
    out << ppd.extra;
    return out.str();
}

} // namespace

std::string writePpd(const TempDir& dir, const PpdText& text, const std::string& name)
{
    const std::string path = dir.file(name + ".ppd");
    writeFile(path, ppdText(text));
    return path;
}

RasterPage blankPage(uint32_t widthDots, uint32_t heightLines, uint32_t hdpi, uint32_t vdpi, uint32_t rows)
{
    RasterPage page{};
    cups_page_header2_t& h = page.header;
    h.HWResolution[0] = hdpi;
    h.HWResolution[1] = vdpi;
    h.PageSize[0] = hdpi ? widthDots * 72 / hdpi : 0;
    h.PageSize[1] = vdpi ? heightLines * 72 / vdpi : 0;
    h.NumCopies = 1;
    h.cupsWidth = widthDots;
    h.cupsHeight = heightLines;
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

RasterPage page180(uint32_t lines)
{
    return blankPage(1440, lines, 180, 180, 24);
}

void setDot(RasterPage* page, uint32_t x, uint32_t y)
{
    page->bits[static_cast<size_t>(y) * page->header.cupsBytesPerLine + x / 8] |=
        static_cast<unsigned char>(0x80 >> (x % 8));
}

RasterPage withDots(RasterPage page, const std::vector<std::pair<uint32_t, uint32_t>>& dots)
{
    for (const auto& [x, y] : dots)
        setDot(&page, x, y);
    return page;
}

std::vector<unsigned char> rasterBytes(const std::vector<RasterPage>& pages, bool compressed)
{
    auto append = [](void* context, unsigned char* bytes, size_t count) {
        auto* out = static_cast<std::vector<unsigned char>*>(context);
        out->insert(out->end(), bytes, bytes + count);
        return static_cast<ssize_t>(count);
    };
    std::vector<unsigned char> out;
    cups_raster_t* ras = cupsRasterOpenIO(append, &out, compressed ? CUPS_RASTER_WRITE_COMPRESSED : CUPS_RASTER_WRITE);
    for (const RasterPage& page : pages) {
        cups_page_header2_t header = page.header;
        cupsRasterWriteHeader2(ras, &header);
        if (!page.bits.empty())
            cupsRasterWritePixels(ras, const_cast<unsigned char*>(page.bits.data()), static_cast<unsigned>(page.bits.size()));
    }
    cupsRasterClose(ras);
    return out;
}

std::vector<unsigned char> rawRaster(const std::vector<RasterPage>& pages, bool otherByteOrder)
{
    static_assert(sizeof(cups_page_header2_t) == 1796, "the raster header is 1796 bytes on the wire");
    // The header's numbers: after the four media strings, before the string table.
    constexpr size_t kNumbersStart = 4 * 64;
    constexpr size_t kNumbersEnd = offsetof(cups_page_header2_t, cupsString);
    const uint32_t sync = otherByteOrder ? __builtin_bswap32(CUPS_RASTER_SYNC) : CUPS_RASTER_SYNC;
    std::vector<unsigned char> out(4);
    std::memcpy(out.data(), &sync, 4);
    for (const RasterPage& page : pages) {
        unsigned char header[sizeof(cups_page_header2_t)];
        std::memcpy(header, &page.header, sizeof header);
        for (size_t at = kNumbersStart; otherByteOrder && at < kNumbersEnd; at += 4)
            std::reverse(header + at, header + at + 4);
        out.insert(out.end(), header, header + sizeof header);
        out.insert(out.end(), page.bits.begin(), page.bits.end());
    }
    return out;
}

std::vector<unsigned char> concat(std::vector<unsigned char> a, const std::vector<unsigned char>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
