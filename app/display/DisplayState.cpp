#include "app/display/DisplayState.h"

#include "app/display/FrequencyPane.h"

DisplayState::DisplayState() : Scratch(std::make_unique<FrequencyScratch>()) {}

DisplayState::~DisplayState() = default;

StatusStripColors StatusColors(int backgroundStyle)
{
    switch (backgroundStyle) {
    case 1:
        return {clWhite, clRed, clRed};
    case 3:
        return {clTeal, clYellow, clYellow};
    default:
        return {clBlack, clAqua, clYellow};
    }
}
