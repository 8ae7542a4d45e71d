// Symbol visibility of the gauge library: it is built with hidden
// visibility, and only its public classes carry this macro.
#pragma once

#include <QtGlobal>

#if defined(STDGAUGES_BUILD)
#define VELQUOR_GAUGES_EXPORT Q_DECL_EXPORT
#else
#define VELQUOR_GAUGES_EXPORT Q_DECL_IMPORT
#endif
