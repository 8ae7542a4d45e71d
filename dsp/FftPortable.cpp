// The portable path of the transforms: the shared kernels (FftVector.h) over GCC's vector
// extensions, at the baseline instruction set.
#include "dsp/FftGeneric.h"
#include "dsp/FftVector.h"

namespace fft_detail {

using PortableKernels = VectorKernels<GenericVector<8>, GenericVector<8>, GenericFront>;

VQ_FFT_PATH(Portable, , PortableKernels)

} // namespace fft_detail
