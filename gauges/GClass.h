// Gauge framework: the settings objects that group related published
// properties (GSettings.h) and the base controls every gauge derives from
// (GBaseControls.h), over the platform controls and canvas.
#pragma once

#include "gauges/GBaseControls.h"
#include "gauges/GSettings.h"
