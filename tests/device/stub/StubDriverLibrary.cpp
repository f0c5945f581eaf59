// A driver library that has the entry points of one table by name only: the
// loader looks them up but a test never calls them. Built once per entry
// point with that name renamed away (NAME=CorvinaStubOmitted_NAME), so that
// each build lacks exactly one name.
#include "DriverEntryPointNames.h"

#define CORVINA_STUB_ENTRY_POINT(name) \
    extern "C" __attribute__((visibility("default"))) void name(void) {}

#if defined(CORVINA_STUB_TABLE_A)
CORVINA_ENTRY_POINTS_A(CORVINA_STUB_ENTRY_POINT)
#else
CORVINA_ENTRY_POINTS_B(CORVINA_STUB_ENTRY_POINT)
#endif
