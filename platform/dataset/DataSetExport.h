// Symbol visibility of the dataset layer: its objects are built with hidden
// visibility into the library that carries them (dbgauges), which exports
// the classes marked with this macro.
#pragma once

#include <QtGlobal>

#if defined(VELQUOR_DATASET_BUILD)
#define VELQUOR_DATASET_EXPORT Q_DECL_EXPORT
#else
#define VELQUOR_DATASET_EXPORT Q_DECL_IMPORT
#endif
