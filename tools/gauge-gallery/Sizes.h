// The gallery's sizes page: every gauge class, each at its minimum size
// (minimumSizeHint), its preferred size (sizeHint) or twice that, with
// captions and units as a form would set them, so that their legibility can
// be judged at a glance.
#pragma once

#include <QString>

class QWidget;

enum class TGaugeSize { Minimum, Preferred, Double };

// The size named on the command line ("min", "preferred", "double"); false
// for another name.
bool GaugeSizeFromName(const QString& name, TGaugeSize& size);

// A window with all gauges at that size.
QWidget* BuildSizesWindow(TGaugeSize size);
