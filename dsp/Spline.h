#pragma once
// Display interpolation: a cubic spline on unit knots (constant elimination factor -0.25)
// that spreads A input points over M output points.

#include <cstdint>

constexpr int SplineCapacity = 4100;

struct SplineScratch {
    float y[SplineCapacity];
    float out[SplineCapacity];
    float u[SplineCapacity];
    float d2[SplineCapacity];
};

// y[0..n-1] -> out[0..outCount-1], outputs at x = j x A / M, j = 0 .. M-1. Uses s.u, s.d2.
// Needs n >= trunc(A + 2), A > 0, 1 <= M <= 4100; outside that the knots and outputs are
// limited to what exists (never reads or writes out of bounds).
void SplineResample(const float* y, int n, float* out, int& outCount, double A, double M,
                    SplineScratch& s);

// Integer wrapper: input[0..n-1] -> output[0..M-1], truncated toward zero (clamped to int32).
// Uses s.y and s.out as well. y and out of s must not be passed as input/output.
void InterpolateTrace(const int32_t* input, int n, float M, float A, int32_t* output,
                      SplineScratch& s);
