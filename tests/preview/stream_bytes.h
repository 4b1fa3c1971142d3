#pragma once
// Hand-built printer streams for the decoder tests: each piece is one
// command, and its offset is remembered.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

struct StreamBytes {
    std::vector<uint8_t> bytes;
    std::vector<size_t> starts; // offset of every piece added

    size_t add(std::initializer_list<int> piece)
    {
        const size_t offset = bytes.size();
        starts.push_back(offset);
        for (int b : piece)
            bytes.push_back(static_cast<uint8_t>(b));
        return offset;
    }

    // ESC * mode n followed by the column data.
    size_t addImage(int mode, const std::vector<uint8_t>& data, uint32_t columns)
    {
        const size_t offset = add({0x1B, '*', mode, static_cast<int>(columns & 0xFF), static_cast<int>(columns >> 8)});
        bytes.insert(bytes.end(), data.begin(), data.end());
        return offset;
    }

    size_t addPacketExit()
    {
        const size_t offset = add({0x00, 0x00, 0x00, 0x1B, 0x01});
        for (char c : std::string_view("@ZRP 1284.4\n@ZRP     \n"))
            bytes.push_back(static_cast<uint8_t>(c));
        return offset;
    }
};
