#include "printer_app/dither_matrices.h"

#include <cmath>

namespace {

// Dots cover more paper than their cell: a share s of the cells inked
// darkens the paper about as much as s^(1/kDotGain) would with ideal dots.
constexpr double kDotGain = 1.6;

// PAPPL inks a pixel whose darkness (0 white .. 255 black) is above its
// threshold; ranks 0..255 (the order in which cells fill) become
// thresholds so that darkness d inks a share (d/255)^kDotGain of the cells.
unsigned char thresholdForRank(int rank, double gain = kDotGain)
{
    const double share = (rank + 0.5) / 256.0;
    const double t = 255.0 * std::pow(share, 1.0 / gain) - (gain == 1.0 ? 0.5 : 0.0);
    return static_cast<unsigned char>(t > 254.0 ? 254.0 : t);
}

// Rank of a cell in the 16x16 Bayer order.
int bayerRank(int x, int y)
{
    int rank = 0;
    for (int bit = 3; bit >= 0; --bit) {
        const int xb = (x >> (3 - bit)) & 1;
        const int yb = (y >> (3 - bit)) & 1;
        rank |= ((xb ^ yb) << (2 * bit + 1)) | (yb << (2 * bit));
    }
    return rank;
}

} // namespace

void makeGraphicsDither(pappl_dither_t matrix)
{
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            matrix[y][x] = thresholdForRank(bayerRank(x, y));
}

void makeLinearDither(pappl_dither_t matrix)
{
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            matrix[y][x] = thresholdForRank(bayerRank(x, y), 1.0);
}

void makePhotoDither(pappl_dither_t matrix)
{
    // Four clusters in the 16x16 tile, centred on a 45-degree lattice
    // (8 cells apart on each axis, the rows offset by half): a cell's key
    // is its distance to the nearest centre, so each cluster fills from the
    // middle outwards; ties are broken in Bayer order so neighbouring
    // clusters grow by turns.
    int key[16][16];
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            // Larger than any squared distance on the 16 x 16 tile.
            int best = 4096;
            for (int cy = -8; cy <= 24; cy += 8)
                for (int cx = -8; cx <= 24; cx += 8) {
                    const int ox = ((cy / 8) & 1) ? 4 : 0;
                    const int dx = x - (cx + ox) - 2, dy = y - cy - 4;
                    const int d = dx * dx + dy * dy;
                    if (d < best)
                        best = d;
                }
            key[y][x] = best * 256 + bayerRank(x, y);
        }
    // Rank the cells by key.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            int rank = 0;
            for (int v = 0; v < 16; ++v)
                for (int u = 0; u < 16; ++u)
                    rank += key[v][u] < key[y][x];
            matrix[y][x] = thresholdForRank(rank);
        }
}
