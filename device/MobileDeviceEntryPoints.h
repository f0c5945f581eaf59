// The entry-point table: one typed slot per name of tables A and B, filled by
// CMobileDeviceDriver::LoadDriver and only read after it succeeded.
#ifndef CORVINA_MOBILEDEVICEENTRYPOINTS_H
#define CORVINA_MOBILEDEVICEENTRYPOINTS_H

#include "DriverEntryPointNames.h"
#include "MobileDeviceApi.h"

struct MobileDeviceEntryPoints
{
#define CORVINA_ENTRY_POINT_SLOT(name) decltype(&::name) name = nullptr;
    CORVINA_ENTRY_POINTS_A(CORVINA_ENTRY_POINT_SLOT)
    CORVINA_ENTRY_POINTS_B(CORVINA_ENTRY_POINT_SLOT)
#undef CORVINA_ENTRY_POINT_SLOT
};

#endif
