// The interleaved cascade of IIR sections: the wavefront's set-up, its ragged start and end,
// and the choice of kernel for the steady part.
#pragma GCC optimize("fp-contract=off")

#include "dsp/IirDetail.h"

namespace iir_detail {
namespace {

inline void ScalarLaneStep(Wave& w, int lane, float* outputs)
{
    const Coef4 c = {w.c[0][lane], w.c[1][lane], w.c[2][lane], w.c[3][lane], w.c[4][lane],
                     w.c[5][lane], w.c[6][lane], w.c[7][lane], w.c[8][lane]};
    const double x0 = w.feed[lane];
    const float y =
        static_cast<float>(Sum4(c, x0, w.x[0][lane], w.x[1][lane], w.x[2][lane], w.x[3][lane],
                                w.y[0][lane], w.y[1][lane], w.y[2][lane], w.y[3][lane]));
    for (int k = 3; k > 0; --k) {
        w.x[k][lane] = w.x[k - 1][lane];
        w.y[k][lane] = w.y[k - 1][lane];
    }
    w.x[0][lane] = x0;
    w.y[0][lane] = y;
    outputs[lane] = y;
}

// Steps where some lanes have no sample yet (start) or no more (end): scalar, lane by lane.
void MaskedStep(Wave& w, const CascadeJob& job, int t)
{
    float now[Lanes];
    for (int l = 0; l < Lanes; ++l) now[l] = w.last[l];
    for (int ch = 0; ch < job.channels; ++ch) {
        for (int s = 0; s < job.sections; ++s) {
            const int n = t - Lag * s;
            if (n < 0 || n >= job.count) continue;
            const int lane = LaneOf(ch, s);
            w.feed[lane] =
                s == 0 ? static_cast<double>(job.in[ch][n]) : w.last2[LaneOf(ch, s - 1)];
            ScalarLaneStep(w, lane, now);
            if (s == job.sections - 1) job.out[ch][n] = now[lane];
        }
    }
    for (int l = 0; l < Lanes; ++l) {
        w.last2[l] = w.last[l];
        w.last[l] = now[l];
    }
}

}  // namespace
}  // namespace iir_detail

using namespace iir_detail;

namespace {


void RunCascade(const CascadeJob& job, SimdKernel kernel)
{
    const int S = job.sections;
    if (S < 1 || S > MaxCascadeSections || job.count <= 0) return;

    kernel = ResolveSimdKernel(kernel);
    if (kernel == SimdKernel::Portable || job.count < 4 * S) {
        // Section by section; IirFilter4 reads each input before writing that output, so the
        // later passes can run in place.
        for (int ch = 0; ch < job.channels; ++ch) {
            const IirSection* c = job.chain[ch];
            IirFilter4(job.in[ch], job.out[ch], job.count, *c[0].state, *c[0].set);
            for (int s = 1; s < S; ++s)
                IirFilter4(job.out[ch], job.out[ch], job.count, *c[s].state, *c[s].set);
        }
        return;
    }

    Wave w{};
    for (int ch = 0; ch < job.channels; ++ch) {
        for (int s = 0; s < S; ++s) {
            const int lane = LaneOf(ch, s);
            const IirState& st = *job.chain[ch][s].state;
            const IirCoefficients& set = *job.chain[ch][s].set;
            for (int k = 0; k < 4; ++k) {
                w.x[k][lane] = st.x[3 - k];
                w.y[k][lane] = st.y[3 - k];
            }
            for (int i = 0; i < 5; ++i) w.c[i][lane] = set.a[i];
            for (int i = 1; i < 5; ++i) w.c[4 + i][lane] = set.b[i];
        }
    }

    const int steps = job.count + Lag * (S - 1);
    int t = 0;
    for (; t < Lag * (S - 1); ++t) MaskedStep(w, job, t);
#ifdef VQ_X86
    if (kernel == SimdKernel::Avx512)
        SteadyAvx512(w, job, t, job.count);
    else
        SteadyAvx2(w, job, t, job.count);
    t = job.count;
#endif
    for (; t < steps; ++t) MaskedStep(w, job, t);

    for (int ch = 0; ch < job.channels; ++ch) {
        for (int s = 0; s < S; ++s) {
            const int lane = LaneOf(ch, s);
            IirState& st = *job.chain[ch][s].state;
            for (int k = 0; k < 4; ++k) {
                st.x[3 - k] = static_cast<float>(w.x[k][lane]);
                st.y[3 - k] = static_cast<float>(w.y[k][lane]);
            }
        }
    }
}

}  // namespace

void IirCascadePair(const float* in1, float* out1, const IirSection* chain1, const float* in2,
                    float* out2, const IirSection* chain2, int sections, int count,
                    SimdKernel kernel)
{
    CascadeJob job{{in1, in2}, {out1, out2}, {chain1, chain2}, 2, sections, count};
    RunCascade(job, kernel);
}

void IirCascade(const float* input, float* output, const IirSection* chain, int sections, int count,
                SimdKernel kernel)
{
    CascadeJob job{{input, input}, {output, output}, {chain, chain}, 1, sections, count};
    RunCascade(job, kernel);
}

