// Symbol visibility of the dbgauges library.
#pragma once

#include <QtGlobal>

#if defined(DBGAUGES_BUILD)
#define DBGAUGES_EXPORT Q_DECL_EXPORT
#else
#define DBGAUGES_EXPORT Q_DECL_IMPORT
#endif
