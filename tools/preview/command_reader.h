#pragma once
// Reading one printer command from a byte stream, without any page state.
#include <cstddef>
#include <cstdint>
#include <string>

#include "impact_decode.h"

// The text that follows ESC 01 in the packet-mode exit block.
inline constexpr char kPacketExitText[] = "@ZRP 1284.4\n@ZRP     \n";
inline constexpr size_t kPacketExitTextLength = sizeof kPacketExitText - 1; // 22

// Reads the command that starts at bytes[pos]. 0 with *command filled
// (offset, length, kind, args); 1 when the command is truncated or unknown,
// with the reason in *error (the error's offset is pos).
int readCommand(const uint8_t* bytes, size_t size, size_t pos, Command* command, std::string* error);
