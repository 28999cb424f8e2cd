#include "functions/Spectral.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

#include "functions/Fitting.h"

namespace TernioParser {
namespace Spectral {

namespace {

constexpr double Pi = 3.141592653589793238462643383279502884;

// Work between two looks at the stop request: some 10^5 butterflies or
// values, well under a millisecond.
constexpr size_t Stride = size_t(1) << 17;

bool Stopped(const std::atomic<bool>* stop) { return stop && stop->load(std::memory_order_relaxed); }

}  // namespace

bool AssignZeros(std::vector<double>& v, size_t n, const std::atomic<bool>* stop) {
  v.clear();
  v.reserve(n);
  while (v.size() < n) {
    if (Stopped(stop)) return false;
    v.insert(v.end(), std::min(n - v.size(), 8 * Stride), 0.0);
  }
  return true;
}

namespace {

// Twiddle factors exp(sign*2*pi*i*k/len) for k < len/2, interleaved, by the
// trigonometric recurrence w_{k+1} = w_k + w_k * (cos(t) - 1 + i sin(t)),
// cos(t) - 1 written as -2 sin^2(t/2): two sine evaluations per table.
// False when stopped (the table is then incomplete).
bool Twiddles(double* tw, size_t len, int sign, const std::atomic<bool>* stop = nullptr) {
  const double theta = sign * 2.0 * Pi / static_cast<double>(len);
  const double s = std::sin(0.5 * theta);
  const double wpr = -2.0 * s * s;
  const double wpi = std::sin(theta);
  double wr = 1.0, wi = 0.0;
  const size_t half = len / 2;
  for (size_t k = 0; k < half; ++k) {
    if (k % Stride == Stride - 1 && Stopped(stop)) return false;
    tw[2 * k] = wr;
    tw[2 * k + 1] = wi;
    const double t = wr;
    wr = wr * wpr - wi * wpi + wr;
    wi = wi * wpr + t * wpi + wi;
  }
  return true;
}

// Transforms up to this length keep their twiddle tables between calls.
constexpr size_t CachedLength = size_t(1) << 17;

// A table per transform direction, kept per thread and built again only when
// the transform length changes, so that repeated transforms of one length
// compute it once and allocate nothing.
struct TTableCache {
  size_t M = 0;
  std::vector<double> Table;
};

template <class Build>
const double* CachedTable(TTableCache (&cache)[2], size_t m, int sign, Build build) {
  TTableCache& c = cache[sign > 0 ? 1 : 0];
  if (c.M != m) {
    c.M = 0;
    c.Table.resize(2 * m);
    build(c.Table.data());
    c.M = m;
  }
  return c.Table.data();
}

// The twiddle tables of every span 8 .. m of a transform of length m <=
// CachedLength and direction sign, one after the other (span len at offset
// len - 8 doubles).
const double* TwiddleTables(size_t m, int sign) {
  thread_local TTableCache cache[2];
  return CachedTable(cache, m, sign, [&](double* t) {
    for (size_t len = 8; len <= m; len <<= 1) Twiddles(t + (len - 8), len, sign);
  });
}

// exp(sign*i*pi*k/m) for k < m by the same recurrence, for the untangling
// step of a real-data transform of length 2m.
const double* UntangleTable(size_t m, int sign) {
  thread_local TTableCache cache[2];
  return CachedTable(cache, m, sign, [&](double* t) { Twiddles(t, 2 * m, sign); });
}

// Bit reversal of the m complex numbers (m a power of two), pair by pair.
// False when stopped halfway.
bool BitReverse(double* data, size_t m, const std::atomic<bool>* stop) {
  static const auto table = [] {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
      int r = 0;
      for (int b = 0; b < 8; ++b) r |= ((i >> b) & 1) << (7 - b);
      t[i] = static_cast<uint8_t>(r);
    }
    return t;
  }();
  int bits = 0;
  while ((size_t(1) << bits) < m) ++bits;
  for (uint64_t i = 1; i + 1 < m; ++i) {
    if (i % Stride == 0 && Stopped(stop)) return false;
    const uint64_t r = (uint64_t(table[i & 0xff]) << 56) | (uint64_t(table[(i >> 8) & 0xff]) << 48) |
                       (uint64_t(table[(i >> 16) & 0xff]) << 40) | (uint64_t(table[(i >> 24) & 0xff]) << 32) |
                       (uint64_t(table[(i >> 32) & 0xff]) << 24);
    const uint64_t j = r >> (64 - bits);
    if (i < j) {
      std::swap(data[2 * i], data[2 * j]);
      std::swap(data[2 * i + 1], data[2 * j + 1]);
    }
  }
  return true;
}

// Two complex numbers (re, im, re, im) in one vector.
typedef double v4d __attribute__((vector_size(32)));
// Lanes a, b, c, d of a vector, in that order (the two compilers spell it
// differently).
#if defined(__clang__)
#define SHUFFLE4(v, a, b, c, d) __builtin_shufflevector(v, v, a, b, c, d)
#else
typedef long long v4i __attribute__((vector_size(32)));
#define SHUFFLE4(v, a, b, c, d) __builtin_shuffle(v, v4i{a, b, c, d})
#endif

// The butterflies of one span len >= 8 over the blocks of len complex
// numbers that start at from .. to-1, for the doubles k0 .. k1-1 of each
// block's first half: with t = w_k * b_k, a_k + t and a_k - t.
// Built twice, for AVX2 and for the baseline instruction set; the loader
// picks the one the processor runs. Both give the same roundings.
__attribute__((target_clones("avx2", "default"))) void Butterflies(double* data, size_t from, size_t to, size_t len,
                                                                   const double* tw, size_t k0, size_t k1) {
  const size_t half = len / 2;
  const v4d flip = {-1.0, 1.0, -1.0, 1.0};
  for (size_t start = from; start < to; start += len) {
    double* a = data + 2 * start;
    double* b = a + 2 * half;
    for (size_t k = k0; k < k1; k += 4) {
      v4d w, bv, av;
      std::memcpy(&w, tw + k, sizeof w);
      std::memcpy(&bv, b + k, sizeof bv);
      std::memcpy(&av, a + k, sizeof av);
      const v4d wr = SHUFFLE4(w, 0, 0, 2, 2);
      const v4d wi = SHUFFLE4(w, 1, 1, 3, 3);
      const v4d bs = SHUFFLE4(bv, 1, 0, 3, 2);
      const v4d t = wr * bv + wi * bs * flip;
      const v4d lo = av - t, hi = av + t;
      std::memcpy(b + k, &lo, sizeof lo);
      std::memcpy(a + k, &hi, sizeof hi);
    }
  }
}

// One span over the whole array of m complex numbers, in pieces of about
// Stride butterflies with a look at the stop request after each.
bool Span(double* data, size_t m, size_t len, const double* tw, const std::atomic<bool>* stop) {
  const size_t half = len / 2;
  if (half < Stride) {
    const size_t blocks = Stride / half;  // a power of two
    for (size_t from = 0; from < m; from += blocks * len) {
      Butterflies(data, from, std::min(m, from + blocks * len), len, tw, 0, 2 * half);
      if (Stopped(stop)) return false;
    }
    return true;
  }
  for (size_t start = 0; start < m; start += len) {
    for (size_t k0 = 0; k0 < 2 * half; k0 += 2 * Stride) {
      Butterflies(data, start, start + 1, len, tw, k0, k0 + 2 * Stride);
      if (Stopped(stop)) return false;
    }
  }
  return true;
}

}  // namespace

bool ComplexTransform(double* data, size_t m, int sign, const std::atomic<bool>* stop) {
  if (m < 2) return true;
  if (!BitReverse(data, m, stop)) return false;
  if (m == 2) {
    const double ar = data[0], ai = data[1], br = data[2], bi = data[3];
    data[0] = ar + br;
    data[1] = ai + bi;
    data[2] = ar - br;
    data[3] = ai - bi;
    return true;
  }
  // Spans 2 and 4 need no multiplications; both in one pass over blocks of
  // four. The second butterfly of span 4 uses exp(sign*i*pi/2) = sign*i.
  for (size_t i = 0; i < 2 * m; i += 8) {
    double* x = data + i;
    const double s0r = x[0] + x[2], s0i = x[1] + x[3], d0r = x[0] - x[2], d0i = x[1] - x[3];
    const double s1r = x[4] + x[6], s1i = x[5] + x[7], d1r = x[4] - x[6], d1i = x[5] - x[7];
    const double tr = -sign * d1i, ti = sign * d1r;
    x[0] = s0r + s1r;
    x[1] = s0i + s1i;
    x[4] = s0r - s1r;
    x[5] = s0i - s1i;
    x[2] = d0r + tr;
    x[3] = d0i + ti;
    x[6] = d0r - tr;
    x[7] = d0i - ti;
  }
  if (m < 8) return true;
  // Danielson-Lanczos butterflies for the remaining spans.
  if (m <= CachedLength) {
    const double* tw = TwiddleTables(m, sign);
    for (size_t len = 8; len <= m; len <<= 1)
      if (!Span(data, m, len, tw + (len - 8), stop)) return false;
  } else {
    // Long transforms: each span's table in turn, in memory of this call.
    std::vector<double> tw;
    if (!AssignZeros(tw, m, stop)) return false;
    for (size_t len = 8; len <= m; len <<= 1)
      if (!Twiddles(tw.data(), len, sign, stop) || !Span(data, m, len, tw.data(), stop)) return false;
  }
  return true;
}

bool RealTransform(double* data, size_t n, int sign, const std::atomic<bool>* stop) {
  if (n < 2) return true;
  const size_t m = n / 2;
  // The n reals are seen as m complex numbers z_j = x_2j + i x_2j+1 with
  // transform Z_k = E_k + i O_k (E, O: transforms of the even and odd
  // samples); F_k = E_k + w^k O_k and F_{m-k} = conj(E_k - w^k O_k) with
  // w = exp(sign*i*pi/m).
  // The factors w^k come from a table made by the recurrence (cached for
  // lengths in common use) or from the recurrence itself.
  std::vector<double> own;
  const double* table = nullptr;
  if (m <= CachedLength) {
    table = UntangleTable(m, sign);
  } else {
    if (!AssignZeros(own, 2 * m, stop) || !Twiddles(own.data(), 2 * m, sign, stop)) return false;
    table = own.data();
  }
  if (sign > 0) {
    if (!ComplexTransform(data, m, 1, stop)) return false;
    for (size_t k = 1; 2 * k < m; ++k) {
      const double wr = table[2 * k], wi = table[2 * k + 1];
      double* p = data + 2 * k;
      double* q = data + 2 * (m - k);
      const double er = 0.5 * (p[0] + q[0]), ei = 0.5 * (p[1] - q[1]);
      const double orr = 0.5 * (p[1] + q[1]), oi = -0.5 * (p[0] - q[0]);
      const double tr = wr * orr - wi * oi, ti = wr * oi + wi * orr;
      p[0] = er + tr;
      p[1] = ei + ti;
      q[0] = er - tr;
      q[1] = ti - ei;
    }
    // Z_{m/2} = F_{m/2} needs no change.
    const double z0r = data[0], z0i = data[1];
    data[0] = z0r + z0i;
    data[1] = z0r - z0i;
  } else {
    for (size_t k = 1; 2 * k < m; ++k) {
      const double wr = table[2 * k], wi = table[2 * k + 1];
      double* p = data + 2 * k;
      double* q = data + 2 * (m - k);
      const double er = 0.5 * (p[0] + q[0]), ei = 0.5 * (p[1] - q[1]);
      // (F_k - conj F_{m-k}) / 2 = w^k O_k with the forward w; here w is its
      // conjugate, so the product gives O_k.
      const double ur = 0.5 * (p[0] - q[0]), ui = 0.5 * (p[1] + q[1]);
      const double orr = wr * ur - wi * ui, oi = wr * ui + wi * ur;
      p[0] = er - oi;
      p[1] = ei + orr;
      q[0] = er + oi;
      q[1] = orr - ei;
    }
    const double f0 = data[0], fm = data[1];
    data[0] = 0.5 * (f0 + fm);
    data[1] = 0.5 * (f0 - fm);
    return ComplexTransform(data, m, -1, stop);
  }
  return true;
}

uint64_t PowerOfTwoAtLeast(uint64_t n, uint64_t limit) {
  uint64_t p = 1;
  while (p < n) {
    if (p > limit / 2) return 0;
    p <<= 1;
  }
  return p <= limit ? p : 0;
}

bool SavitzkyGolayCoefficients(int32_t f, int32_t m, int32_t d, std::vector<double>& c) {
  if (f < 0 || m < 0 || d < 0 || d > m || m > MaxOrder || static_cast<int64_t>(m) > 2 * static_cast<int64_t>(f))
    return false;
  // Normal equations of the polynomial fit through the offsets -f..f:
  // A[i][j] = sum_k k^(i+j); the d-th row of A's inverse gives the weights.
  // (The implicit row scaling of the decomposition copes with the range of
  // the moments; measuring the offsets in units of f was tried and is less
  // accurate.)
  const int32_t order = m + 1;
  Matrix a(order);
  std::vector<double> moments(2 * m + 1, 0.0);
  for (int32_t e = 0; e <= 2 * m; ++e) {
    double sum = 0;
    for (int32_t k = -f; k <= f; ++k) sum += std::pow(static_cast<double>(k), e);
    moments[e] = sum;
  }
  for (int32_t i = 0; i < order; ++i)
    for (int32_t j = 0; j < order; ++j) a[i][j] = moments[i + j];
  std::vector<int32_t> index;
  if (!LUDecompose(a, index)) return false;
  std::vector<double> b(order, 0.0);
  b[d] = 1.0;
  LUSolve(a, index, b.data());
  c.assign(2 * static_cast<size_t>(f) + 1, 0.0);
  for (int32_t k = -f; k <= f; ++k) {
    double sum = 0;
    for (int32_t i = 0; i < order; ++i) sum += b[i] * std::pow(static_cast<double>(k), i);
    if (!std::isfinite(sum)) return false;
    c[k + f] = sum;
  }
  return true;
}

bool ConvolveDirect(const double* x, size_t count, const double* c, int32_t f, double* out,
                    const std::atomic<bool>* stop) {
  const size_t taps = 2 * static_cast<size_t>(f) + 1;
  size_t i = 0;
  // Four outputs at a time: independent sums keep the multipliers busy.
  // Each output reads only inputs at or after its own position, so out may
  // be x.
  for (; i + 4 <= count; i += 4) {
    if (i % 1024 == 0 && Stopped(stop)) return false;
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    const double* p = x + i;
    for (size_t t = 0; t < taps; ++t) {
      const double w = c[t];
      s0 += w * p[t];
      s1 += w * p[t + 1];
      s2 += w * p[t + 2];
      s3 += w * p[t + 3];
    }
    out[i] = s0;
    out[i + 1] = s1;
    out[i + 2] = s2;
    out[i + 3] = s3;
  }
  for (; i < count; ++i) {
    double s = 0;
    for (size_t t = 0; t < taps; ++t) s += c[t] * x[i + t];
    out[i] = s;
  }
  return true;
}

bool ConvolveTransform(const double* x, size_t count, const double* c, int32_t f, double* out, size_t p,
                       std::vector<double>& work, std::vector<double>& kernel, const std::atomic<bool>* stop) {
  const size_t n = count + 2 * static_cast<size_t>(f);
  if (!AssignZeros(work, p, stop)) return false;
  std::memcpy(work.data(), x, n * sizeof(double));
  // Kernel in wrap-around order: r[-k mod p] = c_k, so that the circular
  // convolution sum_j x_j r_{i-j} is sum_k c_k x_{i+k}.
  if (!AssignZeros(kernel, p, stop)) return false;
  for (int32_t k = -f; k <= f; ++k) kernel[k <= 0 ? static_cast<size_t>(-k) : p - k] = c[k + f];
  if (!RealTransform(work.data(), p, 1, stop) || !RealTransform(kernel.data(), p, 1, stop)) return false;
  double* w = work.data();
  const double* r = kernel.data();
  w[0] *= r[0];
  w[1] *= r[1];
  for (size_t k = 2; k < p; k += 2) {
    const double ar = w[k], ai = w[k + 1];
    w[k] = ar * r[k] - ai * r[k + 1];
    w[k + 1] = ar * r[k + 1] + ai * r[k];
  }
  if (!RealTransform(w, p, -1, stop)) return false;
  const double scale = 2.0 / static_cast<double>(p);
  for (size_t i = 0; i < count; ++i) out[i] = w[i + f] * scale;
  return true;
}

}  // namespace Spectral

// ---- fft

void TFFT::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  const int32_t apo = EvaluateIntArg(ci, 2);
  if (ci.Error) return;
  if (apo < 0 || apo > 3) {
    ci.SetError("FFT: Illegal value for apodisation");
    return;
  }
  const int32_t resincr = EvaluateIntArg(ci, 3);
  if (ci.Error) return;
  if (resincr < 0 || resincr > 10) {
    ci.SetError("FFT: Illegal value for resincr (resolution increase)");
    return;
  }
  const int32_t pad = EvaluateIntArg(ci, 4);
  if (ci.Error) return;
  if (pad < 0 || pad > 2) {
    ci.SetError("FFT: Illegal pad value");
    return;
  }
  TArrayEntry* ya = RequireArray(ci, 1, "FFT: ydata array missing.");
  if (!ya) return;
  const int32_t n = ya->Count;
  if (n <= 1) return;

  // The smallest power of two not below n, doubled resincr times.
  const uint64_t base = Spectral::PowerOfTwoAtLeast(static_cast<uint64_t>(n), MaxLength);
  const uint64_t len = base << resincr;
  if (base == 0 || len > MaxLength) {
    ci.SetError("FFT: Transform length too large");
    return;
  }
  const size_t N = static_cast<size_t>(len);
  std::vector<double> work;
  try {
    if (!Spectral::AssignZeros(work, N, &ci.StopRequested)) {
      RaiseStopped(ci);
      return;
    }
  } catch (const std::bad_alloc&) {
    ci.SetError("FFT: Transform length too large");
    return;
  }
  // Break ends the function before any output is written.
  auto stopped = [&](int32_t i) { return (i & 0x3FFFF) == 0 && StopIfRequested(ci); };
  const double* y = ya->Data;
  double v = 0;
  if (pad == 0) {
    for (int32_t i = 0; i < n; ++i) {
      if (stopped(i)) return;
      v += y[i];
    }
    v /= n;
  } else {
    v = pad == 1 ? y[0] : y[n - 1];
  }
  const int32_t h = n / 2;
  for (int32_t i = 0; i < n; ++i) {
    if (stopped(i)) return;
    double x = y[i];
    switch (apo) {
      case 1: x -= v; break;
      case 2: {
        const double t = static_cast<double>(i - h) / h;
        x = (x - v) * (1.0 - t * t);
        break;
      }
      case 3: {
        const double s = std::sin(Spectral::Pi * i / n);
        x = (x - v) * s * s;
        break;
      }
      default: break;
    }
    work[i] = x;
  }
  if (!Spectral::RealTransform(work.data(), N, 1, &ci.StopRequested)) {
    RaiseStopped(ci);
    return;
  }

  // The frequency scale needs xdata as it is now: an output may be xdata.
  double span = -1;
  if (IsArrayArg(8) && IsArrayArg(0) && ArrayArg(8)) {
    TArrayEntry* xa = ArrayArg(0);
    if (xa && xa->Count == n) span = std::fabs(xa->Data[n - 1] - xa->Data[0]);
  }
  const int32_t M = static_cast<int32_t>(N / 2);
  const double ratio = static_cast<double>(n) / static_cast<double>(N);
  const double q = ratio * ratio;
  auto output = [&](int arg) -> TArrayEntry* {
    if (!IsArrayArg(arg)) return nullptr;
    TArrayEntry* e = ArrayArg(arg);
    if (e) e->SetLength(M);
    return e;
  };
  if (TArrayEntry* norm = output(5)) {
    const double a = apo == 2 ? 0.75 : 1.0;
    for (int32_t k = 0; k < M; ++k) {
      const double re = work[2 * k] * q, im = work[2 * k + 1] * q;
      norm->Data[k] = std::sqrt(re * re + im * im) * a;
    }
  }
  if (TArrayEntry* re = output(6))
    for (int32_t k = 0; k < M; ++k) re->Data[k] = work[2 * k] * q;
  if (TArrayEntry* im = output(7))
    for (int32_t k = 0; k < M; ++k) im->Data[k] = work[2 * k + 1] * q;
  if (span >= 0 || std::isnan(span)) {
    // n samples span n-1 steps; the highest frequency is half the sampling
    // rate.
    const double fmax = 0.5 / (span / (n - 1));
    TArrayEntry* sa = ArrayArg(8);
    sa->SetLength(M);
    for (int32_t k = 0; k < M; ++k) sa->Data[k] = k * fmax / M;
  }
  result.SetNumber(static_cast<double>(N));
}

// ---- invfft

void TInvFFT::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  TArrayEntry* img = RequireArray(ci, 1, "InvFFT: Illegal imaginary parameter");
  if (!img) return;
  TArrayEntry* re = RequireArray(ci, 0, "InvFFT: Illegal real parameter");
  if (!re) return;
  TArrayEntry* out = RequireArray(ci, 2, "InvFFT: Illegal output parameter");
  if (!out) return;
  const int32_t h = std::min(re->Count, img->Count);
  if (h <= 1) return;
  if ((h & (h - 1)) != 0) {
    ci.SetError("InvFFT: Illegal input length");
    return;
  }
  const size_t N = 2 * static_cast<size_t>(h);
  if (N > TFFT::MaxLength || N > static_cast<size_t>(INT32_MAX)) {
    ci.SetError("InvFFT: Illegal input length");
    return;
  }
  std::vector<double> work;
  try {
    if (!Spectral::AssignZeros(work, N, &ci.StopRequested)) {
      RaiseStopped(ci);
      return;
    }
  } catch (const std::bad_alloc&) {
    ci.SetError("InvFFT: Illegal input length");
    return;
  }
  for (int32_t k = 0; k < h; ++k) {
    work[2 * k] = re->Data[k];
    work[2 * k + 1] = img->Data[k];
  }
  if (!Spectral::RealTransform(work.data(), N, -1, &ci.StopRequested)) {
    RaiseStopped(ci);
    return;
  }
  out->SetLength(static_cast<int32_t>(N));
  const double scale = 2.0 / static_cast<double>(N);
  for (size_t i = 0; i < N; ++i) out->Data[i] = work[i] * scale;
  result.SetNumber(static_cast<double>(N));
}

// ---- sgfilter

void TSGFilter::Evaluate(TCalcInfo& ci, TReturnValue& result) {
  result.SetNumber(0);
  const bool ok = EvaluateArguments(ci);
  TArrayEntry* data = RequireArray(ci, 0, "SGFilter: no data array");
  if (!data) return;
  if (!ok) return;
  const int32_t f = IntArg(2);
  const int32_t m = IntArg(3);
  const int32_t d = IntArg(4);
  TArrayEntry* scale = IsArrayArg(1) ? ArrayArg(1) : nullptr;
  if (scale == data) scale = nullptr;  // one array cannot be both
  const int32_t n = scale ? std::min(data->Count, scale->Count) : data->Count;
  const int64_t window = 2 * static_cast<int64_t>(f) + 1;
  if (n < window) {
    data->SetLength(0);
    if (scale) scale->SetLength(0);
    return;
  }
  std::vector<double> c;
  if (!Spectral::SavitzkyGolayCoefficients(f, m, d, c)) return;  // no such fit: data unchanged

  const size_t kept = static_cast<size_t>(n) - 2 * static_cast<size_t>(f);
  // The outputs go to a buffer of their own, so that a Break leaves data as
  // it was.
  std::vector<double> out;
  bool done;
  try {
    if (!Spectral::AssignZeros(out, kept, &ci.StopRequested)) {
      RaiseStopped(ci);
      return;
    }
    if (f <= DirectLimit) {
      done = Spectral::ConvolveDirect(data->Data, kept, c.data(), f, out.data(), &ci.StopRequested);
    } else {
      const uint64_t p = 2 * Spectral::PowerOfTwoAtLeast(static_cast<uint64_t>(window) + n, TFFT::MaxLength);
      if (p == 0) return;
      std::vector<double> work, kernel;
      done = Spectral::ConvolveTransform(
          data->Data, kept, c.data(), f, out.data(), static_cast<size_t>(p), work, kernel, &ci.StopRequested);
    }
  } catch (const std::bad_alloc&) {
    return;
  }
  if (!done) {
    RaiseStopped(ci);
    return;
  }
  std::memcpy(data->Data, out.data(), kept * sizeof(double));
  data->SetLength(static_cast<int32_t>(kept));
  if (scale) {
    std::memmove(scale->Data, scale->Data + f, kept * sizeof(double));
    scale->SetLength(static_cast<int32_t>(kept));
  }
  result.SetNumber(1);
}

}  // namespace TernioParser
