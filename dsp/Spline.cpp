#include "dsp/Spline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "dsp/Truncate.h"

void SplineResample(const float* y, int n, float* out, int& outCount, double A, double M,
                    SplineScratch& s)
{
    outCount = 0;
    if (!(M >= 1.0) || !(A > 0.0) || n < 1)
        return;
    const int count = static_cast<int>(std::min(M, static_cast<double>(SplineCapacity)));
    // K knots 0 .. K-1; never more than the input holds.
    const double knots = std::min(A + 2.0, static_cast<double>(std::min(n, SplineCapacity)));
    const int K = static_cast<int>(knots);
    if (K < 2) {
        std::fill(out, out + count, y[0]);
        outCount = count;
        return;
    }
    float* u = s.u;
    float* d2 = s.d2;
    u[0] = 0.0f;
    for (int i = 1; i <= K - 2; ++i) {
        const double curv = 6.0 * (static_cast<double>(y[i + 1]) - 2.0 * y[i] + y[i - 1]);
        u[i] = static_cast<float>((u[i - 1] - curv) * -0.25);
    }
    // Zero slope at the last knot.
    const double un = -3.0 * (static_cast<double>(y[K - 1]) - y[K - 2]);
    d2[K - 1] = static_cast<float>((un - 0.5 * u[K - 2]) / 0.875);
    for (int k = K - 2; k >= 0; --k)
        d2[k] = static_cast<float>(-0.25 * d2[k + 1] + u[k]);

    const double step = A / M;
    double x = 0.0;
    for (int j = 0; j < count; ++j) {
        if (x >= K - 1) {
            // Only when fewer points than trunc(A + 2) were given: hold the last knot.
            out[j] = y[K - 1];
            x += step;
            continue;
        }
        const int k = std::max(static_cast<int>(x), 0);
        const float a = static_cast<float>(x - k);
        const float b = static_cast<float>((k + 1) - x);
        const double da = a, db = b;
        const double v = db * y[k] + da * y[k + 1] +
                         ((db * db * db - db) * d2[k] + (da * da * da - da) * d2[k + 1]) *
                             0.16666667;
        out[j] = static_cast<float>(v);
        x += step;
    }
    outCount = count;
}

void InterpolateTrace(const int32_t* input, int n, float M, float A, int32_t* output,
                      SplineScratch& s)
{
    n = std::clamp(n, 0, SplineCapacity);
    for (int i = 0; i < n; ++i)
        s.y[i] = static_cast<float>(input[i]);
    int count = 0;
    SplineResample(s.y, n, s.out, count, static_cast<double>(A), static_cast<double>(M), s);
    const int wanted = M >= 1.0f ? static_cast<int>(std::min(M, static_cast<float>(SplineCapacity))) : 0;
    for (int j = 0; j < wanted; ++j)
        output[j] = TruncateToInt(j < count ? s.out[j] : 0.0f);
}
