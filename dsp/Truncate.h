#pragma once
// Float to integer toward zero, as every sample conversion of the chain and the display
// interpolation does it.

#include <cstdint>

// NaN gives 0 and out-of-range values saturate (a plain cast would be undefined for them).
inline int32_t TruncateToInt(float x)
{
    if (!(x == x))
        return 0;
    if (x >= 2147483648.0f)
        return INT32_MAX;
    if (x <= -2147483648.0f)
        return INT32_MIN;
    return static_cast<int32_t>(x);
}
