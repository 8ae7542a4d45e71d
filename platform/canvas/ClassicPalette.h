// The one fixed widget palette of the program: the classic Windows grey
// button face with its white highlight and grey/black shadows, the same on
// every desktop, so ordinary widgets match the gauges' system colours.
#pragma once

#include <QPalette>

QPalette ClassicWidgetPalette();
