#pragma once
// The printer's own settings as IPP job attributes with readable keyword
// values, each value the job setting it selects.
#include <pappl/pappl.h>

#include "engine/job/job_settings.h"

inline constexpr int kMaxVendorValues = 3;

// The job setting an option sets.
enum class VendorSetting { Speed, Direction, Margins, PacketModeExit, RollPaperSaving, TearOff };

struct VendorValue {
    const char* keyword; // the IPP value
    int value;           // the setting's enum value, or 0 and 1 for off and on
};

struct VendorOption {
    const char* name;    // IPP attribute (NAME-supported, NAME-default)
    VendorSetting setting;
    int valueCount;
    VendorValue values[kMaxVendorValues]; // the first is the default
};

int vendorOptionCount();
const VendorOption* vendorOptionAt(int index);

// The option's value for this keyword, or null when it is not one of them.
const VendorValue* findVendorValue(const VendorOption* option, const char* keyword);

// Names the options in the driver data and adds NAME-supported and
// NAME-default to the driver's attributes.
void describeVendorOptions(pappl_pr_driver_data_t* data, ipp_t* attrs);

// The value a job prints with: the job's own, else the printer's default
// (from the printer's driver attributes, which PAPPL 1.3.1 does not pass on
// to the job), else the option's first value. printerAttrs may be null.
// Null when the job names a value the option does not have (PAPPL 1.3.1
// takes any value of a driver's own attribute); *badValue is then that
// value. A printer default that is not one of the values counts as unset.
const VendorValue* resolveVendorValue(const VendorOption* option, const pappl_pr_options_t* options,
                                      ipp_t* printerAttrs, const char** badValue);
