#include "dsp/ProcessingState.h"

#include "dsp/Demod.h"
#include "dsp/Fft.h"

ProcessingState::ProcessingState()
{
    // Constant tables: the Hamming window of the display transform and the
    // arctangent table of the FM discriminator; both are read-only afterwards.
    BuildHamming512(Hamming512);
    BuildAtanTable(AtanTable);
    FmScale = static_cast<double>(SampleRate) * 0.15915494327375637;
}
