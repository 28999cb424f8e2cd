#pragma once
// Fourier transforms of real data (fft, invfft) and Savitzky-Golay smoothing
// and differentiation (sgfilter), all on one radix-2 FFT kernel.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/Function.h"

namespace TernioParser {

namespace Spectral {

// In-place complex transform of m complex numbers (real and imaginary parts
// interleaved in 2m doubles), m a power of two:
// X_k = sum_j x_j * exp(sign * 2*pi*i * j*k / m), without normalisation.
// The transforms and convolutions look at *stop (when given) about every
// millisecond and return false as soon as it is set, leaving their work
// arrays half done; true when complete.
bool ComplexTransform(double* data, size_t m, int sign, const std::atomic<bool>* stop = nullptr);

// Real-data transform of n values, n a power of two (n >= 2).
// Forward (sign +1): the first half of the spectrum F_k = sum_j x_j *
// exp(+2*pi*i*j*k/n), packed: data[0] = F_0, data[1] = F_{n/2} (both real),
// data[2k], data[2k+1] = real and imaginary part of F_k for 0 < k < n/2.
// Inverse (sign -1): takes that packed layout and returns n/2 times the
// real data.
bool RealTransform(double* data, size_t n, int sign, const std::atomic<bool>* stop = nullptr);

// Sets v to n zeros, in pieces with a look at *stop (when given) between
// them: filling the work arrays of long transforms takes long too. False
// when stopped.
bool AssignZeros(std::vector<double>& v, size_t n, const std::atomic<bool>* stop);

// Smallest power of two not below n (n >= 1), or 0 when it exceeds limit.
uint64_t PowerOfTwoAtLeast(uint64_t n, uint64_t limit);

// Savitzky-Golay coefficients c[0..2f] for the offsets -f..f: the d-th
// coefficient of the least-squares polynomial of order m through the 2f+1
// points, per sample step (no factor d!). False when the parameters admit no
// fit (f < 0, m < 0, d < 0, m > 2f, d > m, m above MaxOrder) or the result is
// not finite.
bool SavitzkyGolayCoefficients(int32_t f, int32_t m, int32_t d, std::vector<double>& c);
constexpr int32_t MaxOrder = 30;

// out[i] = sum_{t=0}^{2f} c[t] * x[i+t] for i = 0 .. count-1, computed
// directly (x holds count + 2f values). out may be x itself.
bool ConvolveDirect(const double* x, size_t count, const double* c, int32_t f, double* out,
                    const std::atomic<bool>* stop = nullptr);
// The same through real-data transforms of length p (a power of two with
// p >= count + 4f + 2); work receives p doubles of scratch.
// out is written only when the transforms are complete.
bool ConvolveTransform(const double* x, size_t count, const double* c, int32_t f, double* out, size_t p,
                       std::vector<double>& work, std::vector<double>& kernel,
                       const std::atomic<bool>* stop = nullptr);

}  // namespace Spectral

// fft(xdata[];ydata[];apo;resincr;pad;normout[];realout[];imgout[];scalaout[])
class TFFT final : public TFunction {
public:
  int ArgumentCount() const override { return 9; }
  bool CheckArguments() override { return IsArrayArg(1); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  bool AlwaysNumber() const override { return true; }
  // The longest transform fft computes (doubles in its work array).
  static constexpr uint64_t MaxLength = uint64_t(1) << 30;
};

// invfft(real[];img[];out[])
class TInvFFT final : public TFunction {
public:
  int ArgumentCount() const override { return 3; }
  bool CheckArguments() override { return IsArrayArg(0) && IsArrayArg(1) && IsArrayArg(2); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  bool AlwaysNumber() const override { return true; }
};

// sgfilter(data[];scale[];filt;poly;deriv)
class TSGFilter final : public TFunction {
public:
  int ArgumentCount() const override { return 5; }
  bool CheckArguments() override { return IsArrayArg(0); }
  void Evaluate(TCalcInfo& ci, TReturnValue& result) override;
  bool AlwaysNumber() const override { return true; }
  // Windows up to this half width are convolved directly, wider ones through
  // the transform (about where the two cost the same on 10^4..10^6 points).
  static constexpr int32_t DirectLimit = 256;
};

// The rows of this library.
TLibrary SpectralLibrary();

}  // namespace TernioParser
