#include "dsp/Fir.h"

#include "dsp/FirDetail.h"

#include <array>

using namespace fir_detail;

namespace {

// Tables given by their first half; the rest is mirrored (sign = -1 for the antisymmetric
// quadrature filter).
template <int N, int H>
constexpr std::array<float, N> Mirror(const float (&half)[H], float sign)
{
    std::array<float, N> c{};
    for (int j = 0; j < H; ++j) {
        // Zero taps stay +0 on both sides (a -0 tap would flip the sign of a zero sum).
        c[N - 1 - j] = half[j] == 0.0f ? 0.0f : sign * half[j];
        c[j] = half[j];
    }
    return c;
}

constexpr float QuadratureHalf[18] = {0.038135f, 0.0f, 0.024179f, 0.0f, 0.032403f, 0.0f,
                                      0.043301f, 0.0f, 0.05842f,  0.0f, 0.081119f, 0.0f,
                                      0.120167f, 0.0f, 0.207859f, 0.0f, 0.635163f, 0.0f};

constexpr float Decim1Half[51] = {
    -0.06982917f,  0.027791478f,  0.02323592f,  0.01969467f,   0.016970506f,  0.014863635f,
    0.013287335f,  0.012079306f,  0.011215759f, 0.010585373f,  0.010153047f,  0.009877705f,
    0.009709991f,  0.009629955f,  0.009642532f, 0.00971764f,   0.0098407f,    0.00997363f,
    0.010145368f,  0.0103316335f, 0.010546389f, 0.010761664f,  0.010968592f,  0.011183859f,
    0.01141664f,   0.011653266f,  0.011869579f, 0.0120800175f, 0.0123401685f, 0.012547816f,
    0.0127682835f, 0.012985916f,  0.013154555f, 0.013378848f,  0.013490926f,  0.013741808f,
    0.013818601f,  0.013936598f,  0.014197538f, 0.014251528f,  0.014364505f,  0.014471266f,
    0.01464205f,   0.014725302f,  0.014781193f, 0.014788544f,  0.014829071f,  0.01486528f,
    0.014941835f,  0.014964661f,  0.014996181f};

constexpr float Decim2Half[51] = {
    0.0211343f,     -0.06592921f,  -0.023407592f, -0.010766572f,  -0.006144427f,  -0.003351159f,
    -0.0008258831f, 0.0016977739f, 0.004082439f,  0.0060146386f,  0.0072599784f,  0.0076373117f,
    0.007016547f,   0.005434186f,  0.0030527792f, 0.0001123276f,  -0.0030372168f, -0.005985957f,
    -0.008340644f,  -0.009754516f, -0.009983435f, -0.008905353f,  -0.006549979f,  -0.003135788f,
    0.0009636572f,  0.005283245f,  0.009278718f,  0.012396456f,   0.014147698f,   0.014170935f,
    0.0122932745f,  0.008563858f,  0.0032451516f, -0.0031653305f, -0.009981262f,  -0.016373815f,
    -0.021426635f,  -0.024275849f, -0.024249202f, -0.02086019f,   -0.013859208f,  -0.0032863782f,
    0.010460727f,   0.026592808f,  0.044099f,     0.06195001f,    0.078842394f,   0.09343544f,
    0.104760915f,   0.11202576f,   0.114335805f};

constexpr std::array<float, 35> QuadratureC = Mirror<35, 18>(QuadratureHalf, -1.0f);
constexpr std::array<float, 101> Decim1C = Mirror<101, 51>(Decim1Half, 1.0f);
constexpr std::array<float, 101> Decim2C = Mirror<101, 51>(Decim2Half, 1.0f);

}  // namespace

const FirTable QuadratureTaps = {35, QuadratureC.data()};
const FirTable Decim1Taps = {101, Decim1C.data()};
const FirTable Decim2Taps = {101, Decim2C.data()};

void FirFilterStrided(const float* input, float* output, const FirTable& table, int count,
                      int first, int step, int outCount, SimdKernel kernel)
{
    const int n = table.n;
    const int h = Centre(n);
    if (outCount <= 0) return;
    if (step < 1) step = 1;

    // Outputs whose every tap lies inside the input: i - (n - 1 - h) >= 0 and i + h <= count - 1.
    auto inner = [&](int k) {
        const int i = first + step * k;
        return i + h - (n - 1) >= 0 && i + h <= count - 1;
    };
    int kBegin = 0;
    while (kBegin < outCount && !inner(kBegin)) ++kBegin;
    int kEnd = outCount;
    while (kEnd > kBegin && !inner(kEnd - 1)) --kEnd;

    [[maybe_unused]] const SimdKernel use = ResolveSimdKernel(kernel);
    bool vector = false;
#ifdef VQ_X86
    vector = use != SimdKernel::Portable && kEnd > kBegin && n <= MaxVectorTaps &&
             (step == 1 || SplitFloats / step - ((n - 1) / step + 1) >= 8);
#endif
    if (!vector) {
        for (int k = 0; k < outCount; ++k)
            output[k] = FirOne(input, table.c, n, count, first + step * k);
        return;
    }
#ifdef VQ_X86
    if (step == 1) {
        EdgeOutputs(input, table.c, n, count, first, first + kBegin, output);
    } else {
        for (int k = 0; k < kBegin; ++k)
            output[k] = FirOneFma(input, table.c, n, count, first + step * k);
    }
    StridedVector(input, output, table, count, first, step, kBegin, kEnd,
                  use == SimdKernel::Avx512);
    if (step == 1) {
        EdgeOutputs(input, table.c, n, count, first + kEnd, first + outCount, output + kEnd);
    } else {
        for (int k = kEnd; k < outCount; ++k)
            output[k] = FirOneFma(input, table.c, n, count, first + step * k);
    }
#endif
}

void FirFilter(const float* input, float* output, const FirTable& table, int count,
               SimdKernel kernel)
{
    FirFilterStrided(input, output, table, count, 0, 1, count, kernel);
}

void FirFilterPlain(const float* input, float* output, const FirTable& table, int count)
{
    for (int i = 0; i < count; ++i) output[i] = FirOne(input, table.c, table.n, count, i);
}
