#pragma once
// Helpers for the preview tests: running the programs, temporary folders,
// files, and comparing decoded pages with raster pages.
#include <cstdint>
#include <string>
#include <vector>

#include "impact_decode.h"
#include "raster_pages.h"

struct ProgramRun {
    int exitStatus = -1; // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs argv[0] with the arguments, extra "NAME=value" environment entries
// and standard input from inputPath (or /dev/null when empty).
ProgramRun runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                      const std::string& inputPath = "");

// A fresh folder that removes itself with everything in it.
struct TempDir {
    std::string path;
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string file(const std::string& name) const { return path + "/" + name; }
};

std::vector<uint8_t> readFileBytes(const std::string& path);

// The raster dots the printer should print: those inside the printable
// area [0, width) x [0, height).
PageBitmap clipPage(const PageBitmap& page, uint32_t width, uint32_t height);

// The decoded page drawn at the raster resolution into a bitmap of the given
// size; dots that fall outside it are counted in *outside.
PageBitmap decodedBitmap(const Page& page, uint32_t hdpi, uint32_t vdpi, uint32_t width, uint32_t height,
                         uint64_t* outside);

// First differing dot between two bitmaps of one size, as "x,y (want a got b)",
// or an empty string when they agree.
std::string firstDifference(const PageBitmap& want, const PageBitmap& got);
