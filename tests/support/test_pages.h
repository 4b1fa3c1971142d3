#pragma once
// Page sizes for jobs set up without a PPD.
#include "engine/job/job_settings.h"

// A page of width x length points with the printers' margins: 9 points
// left, right and top, 18 at the bottom.
inline impact::PageGeometry pageOf(float width, float length)
{
    impact::PageGeometry size{};
    size.width = width;
    size.length = length;
    size.left = 9;
    size.bottom = 18;
    size.right = width - 9;
    size.top = length - 9;
    return size;
}
