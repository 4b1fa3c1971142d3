#include "printer_app/media_table.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// The PPD's sizes. US fanfold is 14 7/8 inches across the carriage and 11
// inches long: wider than long, so it keeps a name of its own.
constexpr MediaSpec kMedia[] = {
    {"na_letter_8.5x11in", "Letter", 612, 792},
    {"na_legal_8.5x14in", "Legal", 612, 1008},
    {"na_executive_7.25x10.5in", "Executive", 522, 756},
    {"na_invoice_5.5x8.5in", "Statement", 396, 612},
    {"iso_a4_210x297mm", "A4", 595, 842},
    {"iso_a5_148x210mm", "A5", 420, 595},
    {"jis_b5_182x257mm", "B5", 516, 729},
    {"na_number-10_4.125x9.5in", "Env10", 297, 684},
    {"na_fanfold-eur_8.5x12in", "FanFoldGerman", 612, 864},
    {"na_foolscap_8.5x13in", "FanFoldGermanLegal", 612, 936},
    {"custom_fanfold-us_14.875x11in", "FanFoldUS", 1071, 792},
};

constexpr SourceSpec kSources[] = {
    {"tractor", impact::PaperSource::Tractor, "continuous", 1},
    {"tractor-front", impact::PaperSource::TractorFront, "continuous", 2},
    {"main-roll", impact::PaperSource::RollPaper, "continuous", 3},
    {"manual", impact::PaperSource::CutSheet, "stationery", 4},
};

constexpr float kPointsPer100mm = 72.0f / 2540.0f;

void setImageableArea(impact::PageGeometry* size)
{
    size->left = kMarginLeft;
    size->bottom = kMarginBottom;
    size->right = size->width - kMarginRight;
    size->top = size->length - kMarginTop;
}

} // namespace

int mediaCount()
{
    return static_cast<int>(sizeof kMedia / sizeof kMedia[0]);
}

const MediaSpec* mediaAt(int index)
{
    return index >= 0 && index < mediaCount() ? &kMedia[index] : nullptr;
}

int pageSizeForMedia(const pappl_media_col_t* media, MediaSize* mediaSize)
{
    *mediaSize = MediaSize{};
    impact::PageGeometry* size = &mediaSize->page;
    const MediaSpec* known = nullptr;
    for (const MediaSpec& spec : kMedia) {
        const bool sameName = std::strcmp(spec.pwgName, media->size_name) == 0;
        const bool sameSize = std::fabs(spec.width - media->size_width * kPointsPer100mm) < 1.5f &&
                              std::fabs(spec.length - media->size_length * kPointsPer100mm) < 1.5f;
        if (sameName || sameSize) {
            known = &spec;
            break;
        }
    }
    if (known != nullptr) {
        std::snprintf(mediaSize->name, sizeof mediaSize->name, "%s", known->ppdName);
        size->width = known->width;
        size->length = known->length;
    } else {
        size->width = media->size_width * kPointsPer100mm;
        size->length = media->size_length * kPointsPer100mm;
        std::snprintf(mediaSize->name, sizeof mediaSize->name, "Custom.%gx%g", size->width, size->length);
        // Half a point of slack for the rounding of hundredths of millimetres.
        if (!(size->width >= kMinWidth - 0.5f && size->width <= kMaxWidth + 0.5f &&
              size->length >= kMinLength - 0.5f && size->length <= kMaxLength + 0.5f))
            return 22;
    }
    setImageableArea(size);
    return 0;
}

int sourceCount()
{
    return static_cast<int>(sizeof kSources / sizeof kSources[0]);
}

const SourceSpec* sourceAt(int index)
{
    return index >= 0 && index < sourceCount() ? &kSources[index] : nullptr;
}

const SourceSpec* findSource(const char* pwgName)
{
    if (pwgName != nullptr)
        for (const SourceSpec& source : kSources)
            if (std::strcmp(source.pwgName, pwgName) == 0)
                return &source;
    return &kSources[0];
}
