#include "app/display/DisplayControls.h"

#include <cmath>

namespace {

struct DialRange {
    float From;
    float To;
    int DigitalFrom;
    int DigitalTo;
};

// A dial holds values on its digital steps between ValueFrom and ValueTo.
float HoldOnSteps(const DialRange& r, float v)
{
    if (std::isnan(v))
        return r.From;
    v = std::fmin(std::fmax(v, r.From), r.To);
    const double perDigit = double(r.To - r.From) / double(r.DigitalTo - r.DigitalFrom);
    const long digit = std::lround((v - r.From) / perDigit) + r.DigitalFrom;
    return float(double(digit - r.DigitalFrom) * perDigit + r.From);
}

}  // namespace

float ModelControls::SetDial(PanelDial dial, float value)
{
    static const DialRange ranges[] = {
        {1.0f, 6.0f, 1, 6},          // Chan1Gain
        {1.0f, 6.0f, 1, 6},          // Chan2Gain
        {0.0f, 100.0f, 0, 1000},     // Chan1Offset
        {0.000001f, 100.0f, 0, 1000},  // Chan2Offset
        {10.0f, 150.0f, 10, 150},    // FreqBase (upper limit below)
        {2.0f, 7.0f, 2, 7},          // TimeBase
    };
    const int index = static_cast<int>(dial);
    DialRange r = ranges[index];
    if (dial == PanelDial::FreqBase)
        r.To = freqValueTo_;
    values_[index] = HoldOnSteps(r, value);
    return values_[index];
}

void ModelControls::SetFreqDialRange(float valueTo, int)
{
    freqValueTo_ = valueTo;
    const int index = static_cast<int>(PanelDial::FreqBase);
    values_[index] = std::fmin(values_[index], valueTo);
}

void ModelControls::ShowMessage(const QString& text, const QString& caption)
{
    messages_ << caption + QStringLiteral(": ") + text;
}
