// The portable path of the transforms: the generic kernels at the baseline instruction set.
#include "dsp/FftGeneric.h"

namespace fft_detail {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
VQ_FFT_PATH(Portable, , GenericKernels)
#pragma GCC diagnostic pop

} // namespace fft_detail
