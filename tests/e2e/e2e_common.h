#pragma once
// What the end-to-end tests share: the printer description they use and
// the byte sequences every job of it starts and ends with.
#include <string>
#include <vector>

#include "capture_stream.h"
#include "filter_process.h"
#include "test_files.h"

// Letter, 18/36/594/756 printable, 24-pin class: 1440 dots wide and 1800
// lines long at 180 dpi.
inline const std::string kJobStart = "1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 78 0F";
inline const std::string kJobEnd = "1B 40 0D";

inline std::string writePpd(const std::string& dir, const PpdText& text = PpdText{},
                            const std::string& name = "printer")
{
    std::string path = dir + "/" + name + ".ppd";
    writeTextFile(path, ppdText(text));
    return path;
}

inline std::string hexOf(const std::vector<unsigned char>& bytes)
{
    return hexBytes(bytes);
}

inline std::vector<std::string> jobArgs(const std::string& options, const std::string& file)
{
    std::vector<std::string> args = {"42", "user", "title", "1", options};
    if (!file.empty())
        args.push_back(file);
    return args;
}

// A 180x180 dpi page with 24-row bands as wide as the printable area.
inline RasterPage page180(uint32_t lines)
{
    return blankPage(1440, lines, 180, 180, 24);
}
