#pragma once
// PAPPL's driver callback: what a printer of each model offers.
#include <pappl/pappl.h>

// The drivers for papplMainloop / papplSystemSetPrinterDrivers.
int listDrivers(pappl_pr_driver_t* drivers, int capacity);

bool setUpDriver(pappl_system_t* system, const char* driverName, const char* deviceUri, const char* deviceId,
                 pappl_pr_driver_data_t* data, ipp_t** attrs, void* context);
