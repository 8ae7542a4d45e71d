#include "dsp/FftDetail.h"

#include <cmath>

namespace fft_detail {

void SplitStep(int M, float& c, float& s)
{
    const float theta = static_cast<float>(3.141593 / M);
    c = static_cast<float>(std::cos(static_cast<double>(theta)));
    s = static_cast<float>(std::sin(static_cast<double>(theta)));
}

FftTables::FftTables()
{
    double c = 1.0;
    for (int le2 = 1; le2 < TableMaxM; le2 <<= 1) {
        // Same statements as PlainStages, forward direction.
        const double s = std::sqrt((1.0 - c) / 2.0);
        c = (1.0 + c) / 2.0;
        if (c > 0.0)
            c = std::sqrt(c);
        if (le2 == 1)
            c = -c;
        double r = 1.0, i = 0.0;
        for (int j = 0; j < le2; ++j) {
            ur[le2 + j] = r;
            ui[le2 + j] = i;
            const double nr = r * c - i * s;
            i = r * s + i * c;
            r = nr;
        }
    }
    ur[0] = ui[0] = 0.0;
    for (int M = 2; M <= TableMaxM; M <<= 1) {
        float cs, sn;
        SplitStep(M, cs, sn);
        for (int dir = 0; dir < 2; ++dir) {
            const float s = dir ? -sn : sn;
            double* wr = dir ? iwr : fwr;
            double* wi = dir ? iwi : fwi;
            double r = dir ? -1.0 : 1.0, i = 0.0;
            wr[M / 2] = wi[M / 2] = 0.0;
            for (int k = 1; k <= M / 2 - 1; ++k) {
                const double nr = r * cs - i * s;
                i = r * s + i * cs;
                r = nr;
                wr[M / 2 + k] = r;
                wi[M / 2 + k] = i;
            }
        }
    }
    fwr[0] = fwi[0] = iwr[0] = iwi[0] = fwr[1] = fwi[1] = iwr[1] = iwi[1] = 0.0;
    stage3QuarterExact = ur[6] == 0.0 && ui[6] >= 1.0 && ui[6] <= 1.0 + 0x1p-50;
    rev[0] = rev[1] = 0;
    for (int p = 0, M = 1; M <= TableMaxM; ++p, M <<= 1) {
        for (int n = 0; n < M; ++n) {
            int r = 0;
            for (int b = 0; b < p; ++b)
                r |= ((n >> b) & 1) << (p - 1 - b);
            rev[M + n] = static_cast<uint16_t>(r);
        }
    }
}

const FftTables& Tables()
{
    static const FftTables tables;
    return tables;
}

} // namespace fft_detail
