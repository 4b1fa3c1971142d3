#pragma once
// The status lines the filter writes to standard error, in the spooler's
// line protocol. Each is a fixed text; the formatted ones take the values
// named beside them.

inline constexpr const char* kUsageLine = "Usage: %s job-id user title copies options [file]\n"; // program
inline constexpr const char* kOpenRasterPrefix = "ERROR: Unable to open raster file - ";    // perror
inline constexpr const char* kPpdReadError = "ERROR: Can not read PPD information.\n";
inline constexpr const char* kOptionsConflict = "ERROR: Options conflicting.\n";
inline constexpr const char* kPrinterNotSupported = "ERROR: The Printer is not supported.\n";
inline constexpr const char* kPageSizeError = "ERROR: PageSize error.\n";
inline constexpr const char* kRasterOpenError = "ERROR: CUPS Fatal Error (cupsRasterOpen).\n";
inline constexpr const char* kPageLine = "PAGE: %d %d\n";                                 // page, copies
inline constexpr const char* kDataFormatError = "ERROR: CUPS data format error.\n";
inline constexpr const char* kProgressLine = "INFO: Printing page %d, %d%% complete...\n"; // page, percent
inline constexpr const char* kReadyLine = "INFO: Ready to print.\n";
inline constexpr const char* kNoPagesLine = "WARNING: No pages found!\n";
inline constexpr const char* kOutputError = "ERROR: Print data output error.\n";
inline constexpr const char* kIllegalResolution = "ERROR: Illegal Resolution.\n";
inline constexpr const char* kAllocationPrefix = "ERROR"; // perror

// Writes one status line; the format is one of the texts above.
void statusLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
