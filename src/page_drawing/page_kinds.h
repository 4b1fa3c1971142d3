#pragma once
// The drawing of each page kind on a cleared bitmap sized to the layout.
#include <cstdint>

#include "page_bitmap.h"

void drawSamplePage(PageBitmap* page, const PageLayout& layout, const PageContent& content);
void drawTextPage(PageBitmap* page, const PageLayout& layout, const PageContent& content);
// Text-like lines in the rectangle [left, right) x [top, bottom).
void drawTextBlock(PageBitmap* page, const PageLayout& layout, int64_t left, int64_t top, int64_t right,
                   int64_t bottom, uint64_t seed);
void drawRandomPage(PageBitmap* page, const PageContent& content);
