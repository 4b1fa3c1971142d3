// impact-preview: decodes the impact printer filter's output and shows it,
// as a command listing or as one PNG picture per page. See --help.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "preview_args.h"
#include "time_model.h"

namespace {

// The whole input: 0, or 1 with errno set when it cannot be read.
int readInput(const std::string& path, std::vector<uint8_t>* bytes)
{
    FILE* file = path.empty() ? stdin : std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return 1;
    uint8_t buffer[65536];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + n);
    const int failed = std::ferror(file);
    if (file != stdin)
        std::fclose(file);
    return failed ? 1 : 0;
}

std::string seconds(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", s);
    return text;
}

// "23.4 s (66 head passes 18.9 s, 67 paper moves 4.5 s), 5120 bytes"
std::string describeTime(const PageTime& t)
{
    std::string text = seconds(t.seconds) + " (" + std::to_string(t.passes) + " head passes " +
                       seconds(t.passSeconds) + ", " + std::to_string(t.feeds) + " paper moves " +
                       seconds(t.feedSeconds);
    if (t.waitSeconds > 0)
        text += ", waiting for data " + seconds(t.waitSeconds);
    return text + "), " + std::to_string(t.bytes) + " bytes";
}

std::string jobTimeLine(const DecodedStream& stream, uint32_t baud)
{
    StreamTime time;
    estimateTime(stream, baud, &time);
    std::string line = "time on paper " + describeTime(time.total) + ", " + std::to_string(stream.pages.size()) +
                       " pages, " + std::to_string(stream.printer.pins) + "-pin head model";
    if (baud != 0)
        line += ", " + std::to_string(baud) + " baud";
    return line;
}

void printTime(const DecodedStream& stream, uint32_t baud)
{
    StreamTime time;
    estimateTime(stream, baud, &time);
    for (size_t i = 0; i < time.pages.size(); ++i)
        std::printf("page %zu: %s\n", i + 1, describeTime(time.pages[i]).c_str());
    std::printf("job: %s\n", jobTimeLine(stream, baud).c_str());
}

void printText(const DecodedStream& stream)
{
    for (size_t i = 0; i < stream.pages.size(); ++i) {
        if (i != 0)
            std::fputc('\f', stdout);
        std::fputs(pageText(stream.pages[i]).c_str(), stdout);
    }
}

void printListing(const DecodedStream& stream, uint32_t baud)
{
    for (const Command& c : stream.commands)
        std::printf("%s\n", describeCommand(c, stream).c_str());
    std::printf("# %zu pages", stream.pages.size());
    if (stream.jobEnd) {
        if (stream.jobEndHandling == 0)
            std::printf(", job end ESC @ CR");
        else
            std::printf(", job end CR ESC 0x19 '%c'", static_cast<char>(stream.jobEndHandling));
    } else {
        std::printf(", no job end");
    }
    if (stream.nulBytes != 0)
        std::printf(", %zu NUL bytes (%zu trailing)", stream.nulBytes, stream.trailingNuls);
    std::printf("\n# %s\n", jobTimeLine(stream, baud).c_str());
}

int writePictures(const DecodedStream& stream, const PreviewArgs& args)
{
    for (const Page& page : stream.pages) {
        PageImage image;
        if (renderPageImage(page, stream.printer, args.image, &image) != 0) {
            std::fprintf(stderr, "impact-preview: page %d is too large to draw at %u dpi\n", page.number,
                         args.image.dpi);
            return 1;
        }
        const std::string path = args.prefix + "-" + std::to_string(page.number) + ".png";
        if (writePageImagePng(path.c_str(), image) != 0) {
            std::fprintf(stderr, "impact-preview: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
            return 1;
        }
        std::printf("%s %ux%u page %d dots %llu", path.c_str(), image.width, image.height, page.number,
                    static_cast<unsigned long long>(image.dots));
        if (image.chars != 0)
            std::printf(" characters %llu", static_cast<unsigned long long>(image.chars));
        std::printf("\n");
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    PreviewArgs args;
    std::string error;
    if (parsePreviewArgs(argc, argv, &args, &error) != 0) {
        std::fprintf(stderr, "impact-preview: %s\n%s", error.c_str(), kPreviewUsage);
        return 2;
    }
    if (args.help) {
        std::fputs(kPreviewUsage, stdout);
        return 0;
    }
    std::vector<uint8_t> bytes;
    if (readInput(args.inputPath, &bytes) != 0) {
        std::fprintf(stderr, "impact-preview: cannot read %s: %s\n",
                     args.inputPath.empty() ? "standard input" : args.inputPath.c_str(), std::strerror(errno));
        return 1;
    }
    DecodedStream stream;
    const int decoded = decodeStream(bytes.data(), bytes.size(), args.printer, &stream);
    // What was decoded before an error is still shown.
    int status = 0;
    if (args.list)
        printListing(stream, args.baud);
    else if (args.text)
        printText(stream);
    else if (args.time)
        printTime(stream, args.baud);
    else
        status = writePictures(stream, args);
    std::fflush(stdout);
    if (decoded != 0) {
        std::fprintf(stderr, "impact-preview: %s\n", describeError(stream).c_str());
        status = 1;
    }
    return status;
}
