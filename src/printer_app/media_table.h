#pragma once
// The paper sizes and sources the printers take, in PWG names (what IPP
// clients and PAPPL use) with the geometry the PPD gives them, so a page
// has the geometry it has through the CUPS filter (a test holds the sizes,
// margins and sources to the built PPDs).
#include <pappl/pappl.h>

#include "engine/job/job_settings.h"

// The sheet's margins the print head cannot reach, in points (the PPD's
// HWMargins): left, bottom, right, top.
inline constexpr float kMarginLeft = 9;
inline constexpr float kMarginBottom = 18;
inline constexpr float kMarginRight = 9;
inline constexpr float kMarginTop = 9;

// Custom sizes, in points.
inline constexpr float kMinWidth = 72, kMinLength = 72;
inline constexpr float kMaxWidth = 1080, kMaxLength = 1584;

struct MediaSpec {
    const char* pwgName;
    const char* ppdName;
    float width;  // points, as in the PPD
    float length;
};

int mediaCount();
const MediaSpec* mediaAt(int index);
inline constexpr const char* kDefaultMedia = "iso_a4_210x297mm";
inline constexpr const char* kCustomMinMedia = "custom_min_1x1in";
inline constexpr const char* kCustomMaxMedia = "custom_max_15x22in";

// A job's page: the PPD's name for it (Ghostscript is told it) and its
// geometry in points.
struct MediaSize {
    char name[64];
    impact::PageGeometry page;
};

// The job's page size for the engine: a known size by name (or by its
// dimensions within half a millimetre), else the custom size in points;
// the imageable area from the margins above. 0, or 22 when the size is
// outside what the printers take.
int pageSizeForMedia(const pappl_media_col_t* media, MediaSize* size);

struct SourceSpec {
    const char* pwgName;   // media-source keyword
    impact::PaperSource source;
    const char* mediaType; // media-type of the paper loaded there
    int mediaPosition;     // the InputSlot's position number in the PPD
};

int sourceCount();
const SourceSpec* sourceAt(int index);
// The source with this keyword, or the first (rear tractor) for an
// unknown or empty one.
const SourceSpec* findSource(const char* pwgName);
