// impact-preview: decodes the impact printer filter's output and shows it,
// as a command listing or as one PNG picture per page. See --help.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "preview_args.h"

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

void printListing(const DecodedStream& stream)
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
    std::printf("\n");
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
        std::printf("%s %ux%u page %d dots %llu\n", path.c_str(), image.width, image.height, page.number,
                    static_cast<unsigned long long>(image.dots));
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
    int status = args.list ? (printListing(stream), 0) : writePictures(stream, args);
    std::fflush(stdout);
    if (decoded != 0) {
        std::fprintf(stderr, "impact-preview: %s\n", describeError(stream).c_str());
        status = 1;
    }
    return status;
}
