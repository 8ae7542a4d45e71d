// FormatFloat of the desktop runtime, which the gauges use for value texts
// and scale labels.
#pragma once

#include "platform/canvas/PlatformExport.h"

#include <QString>

// Formats value with a picture format: "0" digit, "#" optional digit, "."
// decimal point, "," thousands separator, "E+" "E-" "e+" "e-" exponent,
// quoted text literal, anything else literal. Up to three sections separated
// by ";" give the positive, negative and zero formats. Rounds half away from
// zero. An empty format gives the general format (15 significant digits).
// (FormatFloat forwards to this exported class.)
class VELQUOR_PLATFORM_EXPORT TFormat {
public:
    static QString FormatFloat(const QString& format, double value);
};

inline QString FormatFloat(const QString& format, double value)
{
    return TFormat::FormatFloat(format, value);
}
