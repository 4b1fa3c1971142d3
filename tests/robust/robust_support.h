#pragma once
// What the robustness tests share: raster streams written byte by byte
// (so headers that the raster library would refuse to write still reach
// the filter), the printer description they use, and a filter run on a
// job given as bytes.
#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

#include "capture_stream.h"
#include "filter_process.h"
#include "test_files.h"

// Letter, 18/36/594/756 printable, 24-pin class: 1440 dots wide and 1800
// lines long at 180 dpi.
inline const std::string kJobStart = "1B 40 0D 1B 50 1B 28 55 01 00 0A 1B 28 43 02 00 78 0F";
inline const std::string kJobEnd = "1B 40 0D";
// A band of 24 rows whose only dot is at column 0 of its top row.
inline const std::string kDotBand = "1B 24 00 00 1B 2A 27 01 00 80 00 00 0D";

// The sync word and the header exactly as they lie in memory, then each
// page's bits as given: an uncompressed stream. With otherByteOrder the
// stream is written as a machine of the other byte order writes it.
std::vector<unsigned char> rawRaster(const std::vector<RasterPage>& pages, bool otherByteOrder = false);

// A 180x180 dpi page with 24-row bands as wide as the printable area.
RasterPage page180(uint32_t lines);

// Runs the filter on the job bytes (from a file) with the PPD.
FilterRun runJobBytes(const std::string& dir, const std::vector<unsigned char>& job, const std::string& ppd,
                      const std::string& options = "");

std::string hexOf(const std::vector<unsigned char>& bytes);

std::vector<unsigned char> concat(std::vector<unsigned char> a, const std::vector<unsigned char>& b);

// Starts the filter on the given descriptors (standard input, output and
// error), PPD in the environment, SIGTERM and SIGPIPE at their defaults as
// the spooler leaves them. The caller closes its copies.
pid_t spawnFilter(const std::vector<std::string>& args, const std::string& ppd, int in, int out, int err);
// Waits for the filter to end; kills it after timeoutMs. Fills exitStatus
// or signal; timedOut tells whether the time ran out.
struct FilterEnd {
    int exitStatus = -1;
    int signal = 0;
    bool timedOut = false;
};
FilterEnd waitFilter(pid_t pid, int timeoutMs);

std::string readTextFile(const std::string& path);
