#include "engine/text/text_settings.h"

namespace impact {

int pitchCentiCpi(TextPitch pitch)
{
    switch (pitch) {
    case TextPitch::Cpi12:
        return 1200;
    case TextPitch::Cpi15:
        return 1500;
    case TextPitch::Cpi17:
        return 1714;
    case TextPitch::Cpi10:
        break;
    }
    return 1000;
}

int linesPerInch(LineSpacing spacing)
{
    return spacing == LineSpacing::Lpi8 ? 8 : 6;
}

bool printerHasPitch(bool ninePin, TextPitch pitch)
{
    return !(ninePin && pitch == TextPitch::Cpi15);
}

} // namespace impact
