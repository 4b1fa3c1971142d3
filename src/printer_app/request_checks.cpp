#include "printer_app/request_checks.h"

#include <cstdio>

#include "printer_app/vendor_options.h"

namespace {

bool valueSupported(const VendorOption* option, ipp_attribute_t* attr)
{
    const ipp_tag_t tag = ippGetValueTag(attr);
    if (ippGetCount(attr) != 1 || (tag != IPP_TAG_KEYWORD && tag != IPP_TAG_NAME && tag != IPP_TAG_NAMELANG))
        return false;
    return findVendorValue(option, ippGetString(attr, 0, nullptr)) != nullptr;
}

// The first attribute with an unsupported value, or null.
ipp_attribute_t* findBadValue(ipp_t* request, const char* suffix)
{
    for (int i = 0; i < vendorOptionCount(); ++i) {
        const VendorOption* option = vendorOptionAt(i);
        char name[128];
        std::snprintf(name, sizeof name, "%s%s", option->name, suffix);
        ipp_attribute_t* attr = ippFindAttribute(request, name, IPP_TAG_ZERO);
        if (attr != nullptr && !valueSupported(option, attr))
            return attr;
    }
    return nullptr;
}

} // namespace

bool rejectBadOptionValues(pappl_client_t* client, void*)
{
    ipp_t* request = papplClientGetRequest(client);
    if (request == nullptr)
        return false;
    ipp_attribute_t* bad = nullptr;
    switch (papplClientGetOperation(client)) {
    case IPP_OP_PRINT_JOB:
    case IPP_OP_PRINT_URI:
    case IPP_OP_VALIDATE_JOB:
    case IPP_OP_CREATE_JOB:
        bad = findBadValue(request, "");
        break;
    case IPP_OP_SET_PRINTER_ATTRIBUTES:
        bad = findBadValue(request, "-default");
        break;
    default:
        break;
    }
    if (bad == nullptr)
        return false;
    papplClientRespondIPPUnsupported(client, bad);
    return true;
}
