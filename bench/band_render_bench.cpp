// The band render on its own: the bands of one text page (180 x 180 dpi,
// 24 rows, and 360 x 360 dpi, 48 rows) and of one page of random dots at
// half fill (360 x 180 dpi, 24 rows), cut from pages that impact-rastergen's
// library draws, the way the filter cuts them: rows of (printable width +
// 7) / 8 bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "engine/output/output_channel.h"
#include "engine/bands/band_render.h"
#include "raster_pages.h"

using namespace impact;

namespace {

struct PageBands {
    uint32_t widthDots = 0;
    uint32_t rows = 0;
    uint32_t hdpi = 0;
    uint32_t vdpi = 0;
    uint32_t lineBytes = 0;
    std::vector<std::vector<unsigned char>> bands; // every full band of the page
};

PageBands cutPage(PageKind kind, uint32_t hdpi, uint32_t vdpi, uint32_t rows)
{
    RasterJob job;
    job.kind = kind;
    job.hdpi = hdpi;
    job.vdpi = vdpi;
    job.rowCount = rows;
    job.fillPercent = 50;
    const PageLayout layout = jobPageLayout(job);
    PageBitmap page;
    fillPage(&page, layout, jobPageContent(job, 1));

    PageBands out;
    out.widthDots = layout.printWidth;
    out.rows = rows;
    out.hdpi = hdpi;
    out.vdpi = vdpi;
    out.lineBytes = (layout.printWidth + 7) / 8;
    for (uint32_t top = 0; top + rows <= layout.printHeight; top += rows) {
        std::vector<unsigned char> band(static_cast<size_t>(out.lineBytes) * rows);
        for (uint32_t r = 0; r < rows; ++r)
            std::memcpy(band.data() + static_cast<size_t>(r) * out.lineBytes,
                        page.bits.data() + static_cast<size_t>(top + r) * page.bytesPerLine, out.lineBytes);
        out.bands.push_back(std::move(band));
    }
    return out;
}

const PageBands& textBands()
{
    static const PageBands bands = cutPage(PageKind::Text, 180, 180, 24);
    return bands;
}

const PageBands& tallTextBands()
{
    static const PageBands bands = cutPage(PageKind::Text, 360, 360, 48);
    return bands;
}

const PageBands& randomBands()
{
    static const PageBands bands = cutPage(PageKind::Random, 360, 180, 24);
    return bands;
}

size_t discard(void*, const unsigned char*, size_t count)
{
    return count;
}

using TransposeFunction = bool (*)(const unsigned char*, uint32_t, uint32_t, uint32_t, unsigned char*, uint32_t*,
                                  uint32_t*);

// The transpose alone (the way the filter picks, or the named one), into
// one column buffer.
void transposeBands(benchmark::State& state, const PageBands& page, TransposeFunction transpose)
{
    std::vector<unsigned char> columns(static_cast<size_t>(page.widthDots) * ((page.rows + 7) / 8));
    size_t next = 0;
    for (auto _ : state) {
        uint32_t first = 0;
        uint32_t last = 0;
        bool any = transpose(page.bands[next].data(), page.widthDots, page.rows, page.rows, columns.data(), &first,
                            &last);
        benchmark::DoNotOptimize(any);
        benchmark::DoNotOptimize(columns.data());
        next = next + 1 == page.bands.size() ? 0 : next + 1;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.lineBytes * page.rows);
}

// The whole band command: mode lookup, column buffer, transpose, writes.
void renderBands(benchmark::State& state, const PageBands& page)
{
    const OutputStream sink = {discard, nullptr, nullptr};
    const ReportSink reports = discardReports();
    unsigned char* columnBuffer = nullptr;
    uint32_t pending = 0;
    const BandContext job = {page.widthDots, 360,        0,         0,         &columnBuffer, &pending,
                         page.rows,      page.hdpi, page.vdpi, &sink,     &reports};
    size_t next = 0;
    for (auto _ : state) {
        const JobResult result = renderBand(&job, static_cast<uint16_t>(page.rows), page.bands[next].data());
        if (result != JobResult::Success) {
            state.SkipWithError("the band render failed");
            break;
        }
        next = next + 1 == page.bands.size() ? 0 : next + 1;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * page.lineBytes * page.rows);
}

void BM_TransposeTextBands(benchmark::State& state)
{
    transposeBands(state, textBands(), transposeBand);
}

void BM_TransposeRandomBands(benchmark::State& state)
{
    transposeBands(state, randomBands(), transposeBand);
}

void BM_TransposeTallTextBands(benchmark::State& state)
{
    transposeBands(state, tallTextBands(), transposeBand);
}

void BM_TransposeTallTextBandsPortable(benchmark::State& state)
{
    transposeBands(state, tallTextBands(), transposeBandPortable);
}

void BM_TransposeTextBandsPortable(benchmark::State& state)
{
    transposeBands(state, textBands(), transposeBandPortable);
}

void BM_TransposeRandomBandsPortable(benchmark::State& state)
{
    transposeBands(state, randomBands(), transposeBandPortable);
}

void BM_RenderTextBands(benchmark::State& state)
{
    renderBands(state, textBands());
}

void BM_RenderRandomBands(benchmark::State& state)
{
    renderBands(state, randomBands());
}

} // namespace

BENCHMARK(BM_TransposeTextBands);
BENCHMARK(BM_TransposeRandomBands);
BENCHMARK(BM_TransposeTextBandsPortable);
BENCHMARK(BM_TransposeTallTextBands);
BENCHMARK(BM_TransposeTallTextBandsPortable);
BENCHMARK(BM_TransposeRandomBandsPortable);
BENCHMARK(BM_RenderTextBands);
BENCHMARK(BM_RenderRandomBands);

BENCHMARK_MAIN();
