#include "page_kinds.h"

int fillPage(PageBitmap* page, const PageLayout& layout, const PageContent& content)
{
    if (page == nullptr || layout.width == 0 || layout.height == 0 || layout.hdpi == 0 || layout.vdpi == 0 ||
        content.fillPercent > 100)
        return 22;
    initPageBitmap(page, layout.width, layout.height);
    switch (content.kind) {
    case PageKind::Sample:
        drawSamplePage(page, layout, content);
        break;
    case PageKind::Text:
        drawTextPage(page, layout, content);
        break;
    case PageKind::Random:
        drawRandomPage(page, content);
        break;
    case PageKind::Blank:
        break;
    }
    return 0;
}
