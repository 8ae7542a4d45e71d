// Symbol visibility of the platform layer. Its classes and routines are part
// of the public interface of the libraries that contain it (the gauge
// libraries carry it along), so they are exported from them; everything else
// is built with hidden visibility.
#pragma once

#include <QtGlobal>

#if defined(VELQUOR_PLATFORM_BUILD)
#define VELQUOR_PLATFORM_EXPORT Q_DECL_EXPORT
#else
#define VELQUOR_PLATFORM_EXPORT Q_DECL_IMPORT
#endif
