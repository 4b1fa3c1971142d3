#pragma once
// What a connection to the raw port carries, told by its first block.
#include <cstddef>

enum class RawStreamKind {
    PrinterCommands, // sent to the printer untouched
    Text,            // printed as text/plain
    Pdf,             // printed as application/pdf
    PostScript,      // printed as application/postscript
};

// How many bytes of the stream the decision looks at.
inline constexpr size_t kRawFirstBlock = 4096;

// The rule, on the stream's first block (at most kRawFirstBlock bytes):
//   - "%PDF-" at the start: a PDF; "%!" at the start: PostScript;
//   - any control byte other than tab, line feed, form feed and carriage
//     return (ESC, NUL, SO, DEL, ...): printer commands;
//   - bytes that are not UTF-8 (a code page's characters): printer
//     commands, for the printer's own character set to print;
//   - otherwise (ASCII or UTF-8 text; a character cut at the block's end
//     counts as UTF-8): text.
// An empty block is printer commands (nothing to print either way).
RawStreamKind classifyRawStream(const unsigned char* block, size_t size);
