#include "rastergen_args.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iterator>
#include <cstdlib>
#include <cstring>
#include <strings.h>

const char* const kRastergenUsage =
    "usage: impact-rastergen [--kind sample|text|random|blank] [--pages N]\n"
    "         [--media a4|letter|WxH(points)] [--hdpi N] [--vdpi N] [--rows N]\n"
    "         [--fill PCT] [--seed N] [--copies N] [--uncompressed] [-o FILE]\n";

namespace {

// A whole-string decimal number in [low, high].
bool parseNumber(const char* text, unsigned long long low, unsigned long long high, unsigned long long* value)
{
    if (text == nullptr || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high)
        return false;
    *value = v;
    return true;
}

bool parsePoints(const char* text, char stop, float* value, const char** rest)
{
    char* end = nullptr;
    errno = 0;
    const float v = std::strtof(text, &end);
    if (end == text || errno != 0 || *end != stop || !(v > 0) || v > 100000.0f)
        return false;
    *value = v;
    *rest = end;
    return true;
}

struct NumberOption {
    const char* name;
    unsigned long long low;
    unsigned long long high;
};

const NumberOption kNumberOptions[] = {
    {"--pages", 1, 100000},   {"--hdpi", 1, 10000}, {"--vdpi", 1, 10000},         {"--rows", 1, 65535},
    {"--fill", 0, 100},       {"--copies", 1, 9999}, {"--seed", 0, UINT64_MAX},
};

void storeNumber(const char* name, unsigned long long v, RasterJob* job)
{
    if (std::strcmp(name, "--pages") == 0)
        job->pages = static_cast<int>(v);
    else if (std::strcmp(name, "--hdpi") == 0)
        job->hdpi = static_cast<uint32_t>(v);
    else if (std::strcmp(name, "--vdpi") == 0)
        job->vdpi = static_cast<uint32_t>(v);
    else if (std::strcmp(name, "--rows") == 0)
        job->rowCount = static_cast<uint32_t>(v);
    else if (std::strcmp(name, "--fill") == 0)
        job->fillPercent = static_cast<uint32_t>(v);
    else if (std::strcmp(name, "--copies") == 0)
        job->copies = static_cast<uint32_t>(v);
    else
        job->seed = v;
}

} // namespace

int parseMedia(const char* text, RasterJob* job)
{
    if (text == nullptr)
        return 22;
    if (strcasecmp(text, "a4") == 0) {
        job->mediaName = "A4";
        job->mediaWidthPt = 595.0f;
        job->mediaLengthPt = 842.0f;
        return 0;
    }
    if (strcasecmp(text, "letter") == 0) {
        job->mediaName = "LETTER";
        job->mediaWidthPt = 612.0f;
        job->mediaLengthPt = 792.0f;
        return 0;
    }
    float w = 0;
    float l = 0;
    const char* rest = nullptr;
    if (!parsePoints(text, 'x', &w, &rest) || !parsePoints(rest + 1, '\0', &l, &rest))
        return 22;
    job->mediaName = std::string("CUSTOM ") + text;
    job->mediaWidthPt = w;
    job->mediaLengthPt = l;
    return 0;
}

int parseRastergenArgs(int argc, const char* const* argv, RastergenArgs* args, std::string* error)
{
    *args = RastergenArgs();
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string inlineValue;
        bool hasInline = false;
        if (name.rfind("--", 0) == 0) {
            const size_t eq = name.find('=');
            if (eq != std::string::npos) {
                inlineValue = name.substr(eq + 1);
                name.resize(eq);
                hasInline = true;
            }
        }
        if (name == "--help" || name == "-h") {
            args->help = true;
            continue;
        }
        if (name == "--uncompressed") {
            args->job.compressed = false;
            continue;
        }
        // Every other option takes a value.
        const char* value = hasInline ? inlineValue.c_str() : (i + 1 < argc ? argv[i + 1] : nullptr);
        const bool known = name == "--kind" || name == "--media" || name == "-o" ||
                           std::any_of(std::begin(kNumberOptions), std::end(kNumberOptions),
                                       [&](const NumberOption& o) { return name == o.name; });
        if (!known) {
            *error = "unknown option '" + std::string(argv[i]) + "'";
            return 22;
        }
        if (value == nullptr) {
            *error = "option " + name + " needs a value";
            return 22;
        }
        if (!hasInline)
            ++i;
        if (name == "--kind") {
            if (parsePageKind(value, &args->job.kind) != 0) {
                *error = "unknown page kind '" + std::string(value) + "' (sample, text, random or blank)";
                return 22;
            }
        } else if (name == "--media") {
            if (parseMedia(value, &args->job) != 0) {
                *error = "bad media '" + std::string(value) + "' (a4, letter or WxH in points)";
                return 22;
            }
        } else if (name == "-o") {
            if (*value == '\0') {
                *error = "option -o needs a file name";
                return 22;
            }
            args->outputPath = value;
        } else {
            for (const NumberOption& o : kNumberOptions) {
                if (name != o.name)
                    continue;
                unsigned long long v = 0;
                if (!parseNumber(value, o.low, o.high, &v)) {
                    *error = "bad value '" + std::string(value) + "' for " + name + " (" + std::to_string(o.low) +
                             " to " + std::to_string(o.high) + ")";
                    return 22;
                }
                storeNumber(o.name, v, &args->job);
            }
        }
    }
    return 0;
}
