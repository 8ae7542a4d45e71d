#pragma once
// A stored calibration as the tests write them: declared 100 uV p-p at 10 Hz.

#include "dsp/Calibration.h"

inline ChannelCalibration CalibrationEntry(int channel, int modulation, double carrierHz, double perUnit)
{
    ChannelCalibration c;
    c.Channel = channel;
    c.ModulationType = modulation;
    c.CarrierHz = carrierHz;
    c.MicrovoltsPerUnit = perUnit;
    c.DeclaredMicrovoltsPp = 100.0;
    c.DeclaredHz = 10.0;
    return c;
}
