// The enumerations of the gauges' properties, with Qt meta-object
// information so that a form designer and QVariant show them by name. They
// live in namespace Ov and are visible unqualified (type and enumerators).
#pragma once

#include "gauges/GaugesExport.h"

#include <QObject>

namespace Ov {
Q_NAMESPACE_EXPORT(VELQUOR_GAUGES_EXPORT)

enum TLEDShape { sRound, sArrowLeft, sArrowRight, sArrowUp, sArrowDown, sRectangle, sDiamondLeft, sDiamondRight };
Q_ENUM_NS(TLEDShape)
enum TFlashFreq { ff8Hz, ff4Hz, ff2Hz, ff1Hz, ff05Hz };
Q_ENUM_NS(TFlashFreq)
enum TMode { mButton, mSwitch, mIndicator, mRadioButton };
Q_ENUM_NS(TMode)
enum TLEDPos { lpLeft, lpRight, lpTop, lpBottom };
Q_ENUM_NS(TLEDPos)
enum TDialPointer { dpRound, dpLine, dpTriangle };
Q_ENUM_NS(TDialPointer)
enum TBtnOrientation { boHorizontal, boVertical };
Q_ENUM_NS(TBtnOrientation)
enum TClockOption { coDate, coTime, coDateTime };
Q_ENUM_NS(TClockOption)
enum TOpHrIndicate { oiHour, oiHourMin, oiHourMinSec };
Q_ENUM_NS(TOpHrIndicate)

} // namespace Ov

using Ov::TLEDShape;
using enum Ov::TLEDShape;
using Ov::TFlashFreq;
using enum Ov::TFlashFreq;
using Ov::TMode;
using enum Ov::TMode;
using Ov::TLEDPos;
using enum Ov::TLEDPos;
using Ov::TDialPointer;
using enum Ov::TDialPointer;
using Ov::TBtnOrientation;
using enum Ov::TBtnOrientation;
using Ov::TClockOption;
using enum Ov::TClockOption;
using Ov::TOpHrIndicate;
using enum Ov::TOpHrIndicate;
