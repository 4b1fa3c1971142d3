#include "printer_app/driver_setup.h"

#include <cstdio>
#include <cstring>

#include "printer_app/dither_matrices.h"
#include "printer_app/driver_table.h"
#include "printer_app/media_table.h"
#include "printer_app/port_uri.h"
#include "printer_app/raster_driver.h"
#include "printer_app/raw_input.h"
#include "printer_app/raw_port.h"
#include "printer_app/test_page.h"
#include "printer_app/text_options.h"
#include "printer_app/vendor_options.h"

namespace {

// Points to hundredths of millimetres, to the nearest.
int hundredthsOfMm(float points)
{
    return static_cast<int>(points * 2540.0f / 72.0f + 0.5f);
}

void setMedia(pappl_pr_driver_data_t* data)
{
    data->num_media = 0;
    for (int i = 0; i < mediaCount(); ++i)
        data->media[data->num_media++] = mediaAt(i)->pwgName;
    data->media[data->num_media++] = kCustomMinMedia;
    data->media[data->num_media++] = kCustomMaxMedia;

    data->num_type = 2;
    data->type[0] = "continuous";
    data->type[1] = "stationery";
    data->tracking_supported = PAPPL_MEDIA_TRACKING_CONTINUOUS;
    // PAPPL has one value for left and right and one for top and bottom:
    // the larger of each pair. The ready media carry the real ones.
    data->left_right = hundredthsOfMm(kMarginLeft > kMarginRight ? kMarginLeft : kMarginRight);
    data->bottom_top = hundredthsOfMm(kMarginBottom > kMarginTop ? kMarginBottom : kMarginTop);

    // PAPPL accepts no other margins for the ready media: the top margin is
    // given as large as the bottom one, so a client keeps clear of both.
    pappl_media_col_t media{};
    media.left_margin = media.right_margin = data->left_right;
    media.top_margin = media.bottom_margin = data->bottom_top;
    pwg_media_t* pwg = pwgMediaForPWG(kDefaultMedia);
    media.size_width = pwg->width;
    media.size_length = pwg->length;
    std::snprintf(media.size_name, sizeof media.size_name, "%s", kDefaultMedia);
    media.tracking = PAPPL_MEDIA_TRACKING_CONTINUOUS;

    data->num_source = sourceCount();
    for (int i = 0; i < sourceCount(); ++i) {
        const SourceSpec* source = sourceAt(i);
        data->source[i] = source->pwgName;
        data->media_ready[i] = media;
        std::snprintf(data->media_ready[i].source, sizeof media.source, "%s", source->pwgName);
        std::snprintf(data->media_ready[i].type, sizeof media.type, "%s", source->mediaType);
    }
    data->media_default = data->media_ready[0];
}

} // namespace

int listDrivers(pappl_pr_driver_t* drivers, int capacity)
{
    int count = 0;
    for (int i = 0; i < driverCount() && count < capacity; ++i) {
        const DriverSpec* spec = driverAt(i);
        drivers[count++] = pappl_pr_driver_t{spec->name, spec->description, nullptr, nullptr};
    }
    return count;
}

bool setUpDriver(pappl_system_t* system, const char* driverName, const char* deviceUri, const char*,
                 pappl_pr_driver_data_t* data, ipp_t** attrs, void*)
{
    if (isPortUri(deviceUri) && !parsePortUri(deviceUri).ok) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "Bad device URI '%s': %s.", deviceUri, parsePortUri(deviceUri).error);
        return false;
    }
    const DriverSpec* spec = findDriver(driverName);
    if (spec == nullptr) {
        papplLog(system, PAPPL_LOGLEVEL_ERROR, "No driver named '%s'.", driverName);
        return false;
    }
    data->rstartjob_cb = rasterStartJob;
    data->rstartpage_cb = rasterStartPage;
    data->rwriteline_cb = rasterWriteLine;
    data->rendpage_cb = rasterEndPage;
    data->rendjob_cb = rasterEndJob;
    data->printfile_cb = printRawFile;
    data->testpage_cb = makeTestPage;
    data->format = kRawFormat;

    std::snprintf(data->make_and_model, sizeof data->make_and_model, "%s", spec->makeAndModel);
    data->ppm = 1;
    data->kind = PAPPL_KIND_DOCUMENT;
    data->color_supported = PAPPL_COLOR_MODE_MONOCHROME | PAPPL_COLOR_MODE_BI_LEVEL | PAPPL_COLOR_MODE_AUTO;
    data->color_default = PAPPL_COLOR_MODE_MONOCHROME;
    data->content_default = PAPPL_CONTENT_AUTO;
    data->quality_default = IPP_QUALITY_NORMAL;
    data->scaling_default = PAPPL_SCALING_AUTO;
    data->raster_types = PAPPL_PWG_RASTER_TYPE_BLACK_1 | PAPPL_PWG_RASTER_TYPE_BLACK_8 | PAPPL_PWG_RASTER_TYPE_SGRAY_8;
    data->force_raster_type = PAPPL_PWG_RASTER_TYPE_BLACK_1;
    data->duplex = PAPPL_DUPLEX_NONE;
    data->sides_supported = PAPPL_SIDES_ONE_SIDED;
    data->sides_default = PAPPL_SIDES_ONE_SIDED;
    // Pages print as they come: no page or image is turned.
    data->orient_default = IPP_ORIENT_PORTRAIT;
    // Continuous paper leaves the printer over the top, page after page in
    // order. PAPPL ties face-up delivery to a last-to-first stack, for which
    // CUPS's driverless queues send the pages in reverse: not for a fanfold.
    data->num_bin = 1;
    data->bin[0] = "top";
    data->bin_default = 0;
    data->output_face_up = false;
    makeGraphicsDither(data->gdither);
    makePhotoDither(data->pdither);

    data->num_resolution = spec->resolutionCount;
    for (int i = 0; i < spec->resolutionCount; ++i) {
        data->x_resolution[i] = spec->resolutions[i].x;
        data->y_resolution[i] = spec->resolutions[i].y;
    }
    data->x_default = defaultResolution(spec)->x;
    data->y_default = defaultResolution(spec)->y;

    setMedia(data);

    *attrs = ippNew();
    describeVendorOptions(data, *attrs);
    describeTextOptions(spec, data, *attrs);
    describeRawPortOption(data, *attrs);
    return true;
}
