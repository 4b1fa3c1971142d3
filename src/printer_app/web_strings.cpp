#include "printer_app/web_strings.h"

namespace {

// PAPPL labels a printer attribute by its name and a value by
// "name.value"; without a string it shows the bare attribute name.
constexpr char kEnglish[] = R"strings("impact-speed" = "Print speed";
"impact-speed.printer-setting" = "As set on the printer";
"impact-speed.high" = "High";
"impact-speed.normal" = "Normal";
"impact-print-direction" = "Print direction";
"impact-print-direction.printer-setting" = "As set on the printer";
"impact-print-direction.unidirectional" = "One way (sharper lines)";
"impact-print-direction.bidirectional" = "Both ways (faster)";
"impact-top-bottom-margins" = "Top and bottom margins";
"impact-top-bottom-margins.printer-setting" = "As set on the printer";
"impact-top-bottom-margins.page-size" = "From the page size";
"impact-packet-mode-exit" = "Leave IEEE 1284.4 packet mode";
"impact-packet-mode-exit.on" = "Yes";
"impact-packet-mode-exit.off" = "No";
"impact-roll-paper-saving" = "Roll paper saving";
"impact-roll-paper-saving.off" = "Off";
"impact-roll-paper-saving.on" = "On";
"impact-tear-off" = "Tear off after the job";
"impact-tear-off.off" = "Off";
"impact-tear-off.on" = "On";
"cpi" = "Text: characters per inch";
"lpi" = "Text: lines per inch";
"page-left" = "Text: left offset (points)";
"page-top" = "Text: top offset (points)";
"wrap" = "Text: wrap long lines";
"impact-character-table" = "Text: character table";
"impact-character-table.pc437" = "PC437 (USA)";
"impact-character-table.pc850" = "PC850 (Multilingual)";
"impact-character-table.pc858" = "PC858 (Multilingual with euro)";
"impact-character-table.pc852" = "PC852 (Central Europe)";
"impact-text-charset" = "Text: encoding of text documents";
"impact-text-charset.utf-8" = "UTF-8 (and US-ASCII)";
"impact-text-charset.iso-8859-1" = "ISO-8859-1 (Latin-1)";
"impact-text-charset.iso-8859-15" = "ISO-8859-15 (Latin-9)";
"impact-text-charset.windows-1252" = "Windows-1252";
"impact-raw-port-format" = "Raw port (9100): documents";
"impact-raw-port-format.auto" = "Told by their first bytes";
"impact-raw-port-format.passthrough" = "Sent to the printer as they are";
"media-source.tractor" = "Rear tractor";
"media-source.tractor-front" = "Front tractor";
"output-bin.top" = "Over the top";
)strings";

} // namespace

void addWebStrings(pappl_system_t* system)
{
    // Loads the labels for the web pages. PAPPL 1.3.1 then appends one more
    // printer-strings-languages-supported to the printer's attributes for
    // every Get-Printer-Attributes while a resource of a language exists
    // (sent twice from the third request on, and never freed): the file
    // stays at its path without a language.
    papplSystemAddStringsData(system, "/en.strings", "en", kEnglish);
    papplSystemRemoveResource(system, "/en.strings");
    papplSystemAddResourceData(system, "/en.strings", "text/strings", kEnglish, sizeof kEnglish - 1);
}
