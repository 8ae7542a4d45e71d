#pragma once
// Input and start state of the per-block chain, shared by its tests and its benchmark: two
// carriers in one 16-bit stream, each with its own tone, and a state as the main window leaves
// it at start-up with both gains at 1 and a run started.

#include <cmath>
#include <cstdint>
#include <memory>

#include "dsp/BlockProcessor.h"
#include "dsp/Designs.h"
#include "dsp/ProcessingState.h"

namespace velquor_test {

// The default carriers (19145 Hz, 16065 Hz) at amplitude 8000, AM (depth 0.5) or FM
// (deviation 200 Hz) with tones of tone1 and tone2 Hz.
class TwoCarrierSource {
public:
    explicit TwoCarrierSource(bool fm, double tone1 = 10.0, double tone2 = 6.0) : fm_(fm)
    {
        tone_[0] = tone1;
        tone_[1] = tone2;
    }
    // The next block of BlockFrames samples.
    void Fill(int32_t* out)
    {
        const double pi = 3.14159265358979323846;
        const double carrier[2] = {19145.0, 16065.0};
        for (int i = 0; i < BlockFrames; ++i, ++n_) {
            const double t = n_ / 44100.0;
            double v = 0.0;
            for (int c = 0; c < 2; ++c) {
                const double m = std::sin(2.0 * pi * tone_[c] * t);
                if (fm_) {
                    phase_[c] += 2.0 * pi * (carrier[c] + 200.0 * m) / 44100.0;
                    v += 8000.0 * std::cos(phase_[c]);
                } else {
                    v += 8000.0 * (1.0 + 0.5 * m) * std::cos(2.0 * pi * carrier[c] * t);
                }
            }
            out[i] = static_cast<int32_t>(std::lround(v));
        }
    }

private:
    bool fm_;
    double tone_[2];
    double phase_[2] = {0.0, 0.0};
    long n_ = 0;
};

// AM or FM, start-up designs, both channels enabled at gain 1, a run started.
inline std::unique_ptr<ProcessingState> ReadyChainState(bool fm)
{
    auto s = std::make_unique<ProcessingState>();
    s->ModulationType = fm ? 2 : 1;
    StartupDesigns(*s);
    s->Chan1DemodGain = 1.0f;
    s->Chan2DemodGain = 1.0f;
    s->Chan1Enabled = true;
    s->Chan2Enabled = true;
    StartRun(*s);
    return s;
}

}  // namespace velquor_test
