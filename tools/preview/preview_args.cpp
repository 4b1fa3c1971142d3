#include "preview_args.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

const char* const kPreviewUsage =
    "usage: impact-preview [--pins 9|24] [--list | --text | --time] [--baud N] [--dpi N] [--width-in W]\n"
    "                      [-o PREFIX] [FILE]\n"
    "  Decodes the printer data in FILE (standard input without one).\n"
    "  --list      print the commands, one a line, and the time on paper; write no pictures\n"
    "  --text      print the text the printer's fonts put on the pages (UTF-8, FF between pages)\n"
    "  --time      print the estimated time on paper, each page and the whole job\n"
    "  --baud      the serial line's speed, for the time on paper (default: a line that keeps up)\n"
    "  otherwise   write PREFIX-1.png, PREFIX-2.png, ... (one per page; prefix 'page')\n"
    "  --pins      printer class: 24 (default) or 9\n"
    "  --dpi       picture resolution (default 180)\n"
    "  --width-in  paper width in inches (default 8.5)\n";

namespace {

bool parseWhole(const char* text, long low, long high, long* value)
{
    if (text == nullptr || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < low || v > high)
        return false;
    *value = v;
    return true;
}

} // namespace

int parsePreviewArgs(int argc, const char* const* argv, PreviewArgs* args, std::string* error)
{
    *args = PreviewArgs();
    bool haveInput = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--list" || arg == "--text" || arg == "--time") {
            (arg == "--list" ? args->list : arg == "--text" ? args->text : args->time) = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            args->help = true;
            continue;
        }
        if (arg == "--pins" || arg == "--baud" || arg == "--dpi" || arg == "--width-in" || arg == "-o") {
            if (i + 1 >= argc) {
                *error = "option " + arg + " needs a value";
                return 22;
            }
            const char* value = argv[++i];
            long n = 0;
            if (arg == "--pins") {
                if (!parseWhole(value, 0, 99, &n) || printerClassForPins(static_cast<int>(n), &args->printer) != 0) {
                    *error = "bad value '" + std::string(value) + "' for --pins (9 or 24)";
                    return 22;
                }
            } else if (arg == "--baud") {
                if (!parseWhole(value, 50, 10000000, &n)) {
                    *error = "bad value '" + std::string(value) + "' for --baud (50 to 10000000)";
                    return 22;
                }
                args->baud = static_cast<uint32_t>(n);
            } else if (arg == "--dpi") {
                if (!parseWhole(value, 1, 2400, &n)) {
                    *error = "bad value '" + std::string(value) + "' for --dpi (1 to 2400)";
                    return 22;
                }
                args->image.dpi = static_cast<uint32_t>(n);
            } else if (arg == "--width-in") {
                char* end = nullptr;
                errno = 0;
                const double w = std::strtod(value, &end);
                if (end == value || *end != '\0' || errno != 0 || !(w > 0) || w > 200) {
                    *error = "bad value '" + std::string(value) + "' for --width-in (inches, up to 200)";
                    return 22;
                }
                args->image.widthInches = w;
            } else {
                if (*value == '\0') {
                    *error = "option -o needs a prefix";
                    return 22;
                }
                args->prefix = value;
            }
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-') {
            *error = "unknown option '" + arg + "'";
            return 22;
        }
        if (haveInput) {
            *error = "more than one input file";
            return 22;
        }
        args->inputPath = arg;
        haveInput = true;
    }
    if (args->list + args->text + args->time > 1) {
        *error = "--list, --text and --time go one at a time";
        return 22;
    }
    return 0;
}
