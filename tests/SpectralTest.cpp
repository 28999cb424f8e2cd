// fft, invfft and sgfilter: the transform kernel against a direct DFT, the
// functions through the engine, Savitzky-Golay weights against SciPy's.

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "functions/Spectral.h"

using OstraTest::Fill;
using OstraTest::Num;
using OstraTest::RunProgram;
namespace Spectral = TernioParser::Spectral;

namespace {

using cplx = std::complex<long double>;
const long double PiL = 3.141592653589793238462643383279502884L;

// The roots exp(sign 2 pi i t/m), t < m, in long double.
std::vector<cplx> Roots(size_t m, int sign) {
  std::vector<cplx> w(m);
  for (size_t t = 0; t < m; ++t) {
    long double a = sign * 2 * PiL * static_cast<long double>(t) / m;
    w[t] = cplx(std::cos(a), std::sin(a));
  }
  return w;
}

// Direct DFT in long double: X_k = sum_j x_j exp(sign 2 pi i jk/m).
std::vector<cplx> DirectDFT(const std::vector<cplx>& x, int sign) {
  const size_t m = x.size();
  std::vector<cplx> w = Roots(m, sign), out(m);
  for (size_t k = 0; k < m; ++k) {
    cplx s = 0;
    for (size_t j = 0; j < m; ++j) s += x[j] * w[(j * k) % m];
    out[k] = s;
  }
  return out;
}

std::vector<double> RandomVector(size_t n, unsigned seed, double lo = -1, double hi = 1) {
  std::mt19937_64 gen(seed);
  std::uniform_real_distribution<double> dist(lo, hi);
  std::vector<double> v(n);
  for (double& x : v) x = dist(gen);
  return v;
}

// Program text that prints every element of an array, one per line, after
// its count.
std::string Dump(const std::string& name) {
  return "println(length(" + name + "[])), for(i=0;i<length(" + name + "[]);i+=1;println(" + name + "[i])), ";
}

// Reads what Dump printed: count, then the values.
std::vector<double> ReadDump(std::istringstream& in) {
  int count = -1;
  in >> count;
  std::vector<double> v(count > 0 ? count : 0);
  for (double& x : v) in >> x;
  return v;
}

}  // namespace

// ---- kernel

TEST(SpectralKernel, ComplexTransformMatchesDirectDFT) {
  for (size_t m : {1u, 2u, 4u, 8u, 16u, 32u, 128u, 1024u, 4096u}) {
    for (int sign : {1, -1}) {
      std::vector<double> data = RandomVector(2 * m, 17 + m + sign);
      std::vector<cplx> x(m);
      for (size_t j = 0; j < m; ++j) x[j] = cplx(data[2 * j], data[2 * j + 1]);
      std::vector<cplx> ref = DirectDFT(x, sign);
      Spectral::ComplexTransform(data.data(), m, sign);
      long double err = 0, norm = 0;
      for (size_t k = 0; k < m; ++k) {
        err = std::max(err, std::abs(cplx(data[2 * k], data[2 * k + 1]) - ref[k]));
        norm = std::max(norm, std::abs(ref[k]));
      }
      EXPECT_LT(static_cast<double>(err / norm), 2e-14) << "m=" << m << " sign=" << sign;
    }
  }
}

TEST(SpectralKernel, RealTransformPackingAndInverse) {
  for (size_t n : {2u, 4u, 8u, 64u, 512u, 8192u}) {
    std::vector<double> x = RandomVector(n, 99 + n);
    std::vector<cplx> cx(x.begin(), x.end());
    std::vector<cplx> ref = DirectDFT(cx, 1);
    std::vector<double> data = x;
    Spectral::RealTransform(data.data(), n, 1);
    long double norm = 0;
    for (auto& v : ref) norm = std::max(norm, std::abs(v));
    const double tol = 2e-14 * static_cast<double>(norm);
    EXPECT_NEAR(data[0], static_cast<double>(ref[0].real()), tol) << n;
    EXPECT_NEAR(data[1], static_cast<double>(ref[n / 2].real()), tol) << n;
    for (size_t k = 1; k < n / 2; ++k) {
      ASSERT_NEAR(data[2 * k], static_cast<double>(ref[k].real()), tol) << n << " k=" << k;
      ASSERT_NEAR(data[2 * k + 1], static_cast<double>(ref[k].imag()), tol) << n << " k=" << k;
    }
    // The inverse gives n/2 times the input.
    Spectral::RealTransform(data.data(), n, -1);
    for (size_t i = 0; i < n; ++i) ASSERT_NEAR(data[i] * 2.0 / n, x[i], 1e-14) << n << " i=" << i;
  }
}

TEST(SpectralKernel, LargeTransformRoundTrip) {
  // 2^20 points: the twiddle recurrences must stay accurate over long tables.
  const size_t n = size_t(1) << 20;
  std::vector<double> x = RandomVector(n, 5);
  std::vector<double> data = x;
  Spectral::RealTransform(data.data(), n, 1);
  // Spot-check bins against direct sums.
  std::vector<cplx> w = Roots(n, 1);
  for (size_t k : {size_t(1), size_t(12345), n / 4 + 7, n / 2 - 1}) {
    long double re = 0, im = 0;
    for (size_t j = 0; j < n; ++j) {
      const cplx& e = w[(j * k) % n];
      re += x[j] * e.real();
      im += x[j] * e.imag();
    }
    EXPECT_NEAR(data[2 * k], static_cast<double>(re), 1e-9) << k;
    EXPECT_NEAR(data[2 * k + 1], static_cast<double>(im), 1e-9) << k;
  }
  Spectral::RealTransform(data.data(), n, -1);
  double err = 0;
  for (size_t i = 0; i < n; ++i) err = std::max(err, std::fabs(data[i] * 2.0 / n - x[i]));
  EXPECT_LT(err, 1e-13);
}

// ---- fft through the engine

TEST(SpectralFFT, OutputsMatchDirectTransformOfPreparedData) {
  struct Case {
    int n, apo, resincr, pad, expectedN;
  };
  const Case cases[] = {
      {256, 0, 0, 0, 256},
      {200, 0, 0, 0, 256},
      {100, 1, 0, 0, 128},
      {100, 2, 1, 1, 256},
      {100, 3, 2, 2, 512},
      {37, 2, 0, 0, 64},
      {64, 3, 0, 1, 64},
      {5, 1, 0, 2, 8},
  };
  for (const Case& c : cases) {
    std::vector<double> y = RandomVector(c.n, 1000 + c.n + c.apo, 0, 10);
    std::string program = Fill("y", y) + "r=fft(0;y[];" + std::to_string(c.apo) + ";" + std::to_string(c.resincr) +
                          ";" + std::to_string(c.pad) + ";nm[];re[];im[];0), " + Dump("nm") + Dump("re") +
                          Dump("im") + "r";
    auto r = RunProgram(program);
    ASSERT_TRUE(r.ParseOk) << r.ParseMessage;
    ASSERT_FALSE(r.Error) << r.Message;
    EXPECT_EQ(r.Number(), c.expectedN);
    std::istringstream out(r.Output);
    std::vector<double> nm = ReadDump(out), re = ReadDump(out), im = ReadDump(out);
    const int N = c.expectedN, M = N / 2;
    ASSERT_EQ(static_cast<int>(re.size()), M);
    ASSERT_EQ(static_cast<int>(im.size()), M);
    ASSERT_EQ(static_cast<int>(nm.size()), M);

    // The prepared data: offset, apodisation, zero padding.
    double v = 0;
    if (c.pad == 0) {
      for (double a : y) v += a;
      v /= c.n;
    } else {
      v = c.pad == 1 ? y.front() : y.back();
    }
    const int h = c.n / 2;
    std::vector<cplx> w(N, 0);
    for (int i = 0; i < c.n; ++i) {
      long double x = y[i];
      if (c.apo == 1) x -= v;
      if (c.apo == 2) {
        long double t = static_cast<long double>(i - h) / h;
        x = (x - v) * (1 - t * t);
      }
      if (c.apo == 3) {
        long double s = std::sin(PiL * i / c.n);
        x = (x - v) * s * s;
      }
      w[i] = x;
    }
    std::vector<cplx> F = DirectDFT(w, 1);
    const long double q = static_cast<long double>(c.n) * c.n / (static_cast<long double>(N) * N);
    long double scale = 0;
    for (auto& f : F) scale = std::max(scale, std::abs(f) * q);
    const double tol = 1e-13 * static_cast<double>(scale) + 1e-14;
    for (int k = 0; k < M; ++k) {
      double eRe = static_cast<double>(F[k].real() * q);
      double eIm = k == 0 ? static_cast<double>(F[M].real() * q) : static_cast<double>(F[k].imag() * q);
      ASSERT_NEAR(re[k], eRe, tol) << "n=" << c.n << " apo=" << c.apo << " k=" << k;
      ASSERT_NEAR(im[k], eIm, tol) << "n=" << c.n << " apo=" << c.apo << " k=" << k;
      double a = c.apo == 2 ? 0.75 : 1.0;
      ASSERT_NEAR(nm[k], std::sqrt(eRe * eRe + eIm * eIm) * a, tol) << "n=" << c.n << " k=" << k;
    }
  }
}

TEST(SpectralFFT, InverseRestoresInput) {
  std::vector<double> a = RandomVector(256, 7, -5, 5);
  auto r = RunProgram(Fill("a", a) + "fft(0;a[];0;0;0;0;re[];im[];0), r=invfft(re[];im[];o[]), " + Dump("o") + "r");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 256);
  std::istringstream out(r.Output);
  std::vector<double> o = ReadDump(out);
  ASSERT_EQ(o.size(), a.size());
  for (size_t i = 0; i < a.size(); ++i) EXPECT_NEAR(o[i], a[i], 1e-13) << i;
}

TEST(SpectralFFT, ArgumentErrorsAndDegenerateInput) {
  struct Case {
    const char* program;
    bool error;
    const char* message;
    double result;
  };
  const Case cases[] = {
      {"y[0]=1,y[1]=2, fft(0;y[];4;0;0;0;0;0;0)", true, "FFT: Illegal value for apodisation", 0},
      {"y[0]=1,y[1]=2, fft(0;y[];-1;0;0;0;0;0;0)", true, "FFT: Illegal value for apodisation", 0},
      {"y[0]=1,y[1]=2, fft(0;y[];0;11;0;0;0;0;0)", true, "FFT: Illegal value for resincr (resolution increase)", 0},
      {"y[0]=1,y[1]=2, fft(0;y[];0;0;3;0;0;0;0)", true, "FFT: Illegal pad value", 0},
      // The first failing check wins.
      {"y[0]=1,y[1]=2, fft(0;y[];9;99;9;0;0;0;0)", true, "FFT: Illegal value for apodisation", 0},
      {"y=1, fft(0;y[];0;0;0;0;0;0;0)", true, "FFT: ydata array missing.", 0},
      // One value: nothing to transform, outputs untouched.
      {"y[0]=1, re[0]=7, r=fft(0;y[];0;0;0;0;re[];0;0), r*1000+re[0]+length(re[])", false, "", 8},
      {"for(i=0;i<100;i+=1;y[i]=i), fft(0;y[];0;2;0;0;re[];0;0)+length(re[])", false, "", 512 + 256},
      // An output may be ydata itself.
      {"for(i=0;i<8;i+=1;y[i]=1), fft(0;y[];0;0;0;0;y[];0;0)+y[0]+length(y[])", false, "", 8 + 8 + 4},
      // 2^21 values doubled ten times would need 2^31 doubles.
      {"y[2097151]=1, fft(0;y[];0;10;0;0;0;0;0)", true, "FFT: Transform length too large", 0},
      {"r[0]=1,r[1]=2,r[2]=3,i[0]=1,i[1]=2,i[2]=3, invfft(r[];i[];o[])", true, "InvFFT: Illegal input length", 0},
      {"r[0]=1,i[0]=1, o[0]=5, invfft(r[];i[];o[])*10+o[0]", false, "", 5},
      {"r=1, i[0]=1, invfft(r[];i[];o[])", true, "InvFFT: Illegal real parameter", 0},
      {"i=1, r=1, invfft(r[];i[];o[])", true, "InvFFT: Illegal imaginary parameter", 0},
      {"r[0]=1, i[0]=1, o=1, invfft(r[];i[];o[])", true, "InvFFT: Illegal output parameter", 0},
      // The shorter of real and img decides.
      {"for(k=0;k<8;k+=1;r[k]=1), i[0]=0,i[1]=0,i[2]=0,i[3]=0, invfft(r[];i[];o[])+length(o[])", false, "", 16},
  };
  for (const Case& c : cases) {
    auto r = RunProgram(c.program);
    ASSERT_TRUE(r.ParseOk) << c.program << ": " << r.ParseMessage;
    EXPECT_EQ(r.Error, c.error) << c.program << ": " << r.Message;
    if (c.error) {
      EXPECT_EQ(r.Message, c.message) << c.program;
    } else {
      EXPECT_EQ(r.Number(), c.result) << c.program;
    }
  }
  for (const char* bad :
       {"fft(0;y;0;0;0;0;0;0;0)", "invfft(r;i[];o[])", "invfft(r[];i[];o)", "sgfilter(d;0;2;2;0)"}) {
    auto r = RunProgram(bad);
    EXPECT_FALSE(r.ParseOk) << bad;
    EXPECT_EQ(r.ParseMessage, "Illegal argument") << bad;
  }
}

TEST(SpectralFFT, ConstantWithOffsetRemovedIsZero) {
  auto r = RunProgram(
      "for(i=0;i<50;i+=1;y[i]=3.25), fft(0;y[];1;0;0;nm[];re[];im[];0), s=0, "
      "for(i=0;i<length(nm[]);i+=1;s+=abs(nm[i])+abs(re[i])+abs(im[i])), s");
  ASSERT_FALSE(r.Error) << r.Message;
  EXPECT_EQ(r.Number(), 0);
}

TEST(SpectralFFT, FrequencyScalePlacesASineOnItsFrequency) {
  // 1000 samples 0.01 s apart of a 7.5 Hz sine: the peak of the normalised
  // spectrum lies at 7.5 Hz within a bin width.
  auto r = RunProgram(
      "for(i=0;i<1000;i+=1;t[i]=0.01*i, y[i]=sin(2*pi()*7.5*t[i])), n=fft(t[];y[];3;2;0;nm[];0;0;f[]), "
      "best=0, for(k=1;k<length(nm[]);k+=1;if(nm[k]>nm[best];best=k;0)), "
      "println(n), println(length(f[])), println(f[1]-f[0]), f[best]");
  ASSERT_FALSE(r.Error) << r.Message;
  std::istringstream out(r.Output);
  double n, count, binWidth;
  out >> n >> count >> binWidth;
  EXPECT_EQ(n, 4096);
  EXPECT_EQ(count, 2048);
  EXPECT_NEAR(binWidth, 100.0 / 4096, 1e-12);  // sampling rate / N
  EXPECT_NEAR(r.Number(), 7.5, binWidth);

  // A frequency scale needs xdata with exactly n elements.
  auto u = RunProgram(
      "for(i=0;i<10;i+=1;y[i]=i, t[i]=i), t[10]=10, f[0]=42, fft(t[];y[];0;0;0;0;0;0;f[]), "
      "f[0]*100+length(f[])");
  ASSERT_FALSE(u.Error) << u.Message;
  EXPECT_EQ(u.Number(), 4201);
}

TEST(SpectralFFT, NyquistTermSitsInImgoutZero) {
  // x_j = (-1)^j + 2: F_0 = 2n, F_{N/2} = n.
  auto r = RunProgram(
      "for(i=0;i<16;i+=1;y[i]=2+if(mod(i;2);-1;1)), fft(0;y[];0;0;0;nm[];re[];im[];0), "
      "println(re[0]), println(im[0]), nm[0]");
  ASSERT_FALSE(r.Error) << r.Message;
  std::istringstream out(r.Output);
  double re0, im0;
  out >> re0 >> im0;
  EXPECT_DOUBLE_EQ(re0, 32);
  EXPECT_DOUBLE_EQ(im0, 16);
  EXPECT_DOUBLE_EQ(r.Number(), std::sqrt(32.0 * 32 + 16 * 16));
}

// ---- Savitzky-Golay

namespace {
struct TSavgolRef {
  int f, m, d;
  std::vector<double> scipy, exact;
};

std::vector<TSavgolRef> LoadSavgol() {
  std::ifstream in(std::string(OSTRA_SOURCE_DIR) + "/tests/reference/savgol_coeffs.txt");
  std::vector<TSavgolRef> refs;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream s(line);
    std::string source;
    int f, m, d;
    s >> source >> f >> m >> d;
    std::vector<double> c;
    double v;
    while (s >> v) c.push_back(v);
    if (source == "scipy") {
      refs.push_back({f, m, d, c, {}});
    } else if (!refs.empty() && refs.back().f == f && refs.back().m == m && refs.back().d == d) {
      refs.back().exact = c;
    }
  }
  return refs;
}
}  // namespace

// Against the exact rational solution of the same least-squares problem and
// against SciPy's savgol_coeffs. SciPy solves an unscaled Vandermonde system:
// for wide windows of high order its weights are far off (f=100, m=8, d=2 by
// a third), so it must agree with us only where it agrees with the exact
// values; it is there to confirm the conventions (orientation, no factor d!).
TEST(SpectralSG, CoefficientsMatchExactValuesAndSciPy) {
  auto refs = LoadSavgol();
  ASSERT_GE(refs.size(), 15u) << "reference table missing";
  double worstExact = 0;
  int scipyAgrees = 0, scipyAccurate = 0;
  for (const auto& ref : refs) {
    std::vector<double> c;
    ASSERT_TRUE(Spectral::SavitzkyGolayCoefficients(ref.f, ref.m, ref.d, c)) << ref.f << " " << ref.m << " " << ref.d;
    ASSERT_EQ(c.size(), ref.scipy.size());
    ASSERT_EQ(c.size(), ref.exact.size());
    double big = 0;
    for (double v : ref.exact) big = std::max(big, std::fabs(v));
    double devExact = 0, devScipy = 0, scipyError = 0;
    for (size_t i = 0; i < c.size(); ++i) {
      devExact = std::max(devExact, std::fabs(c[i] - ref.exact[i]) / big);
      devScipy = std::max(devScipy, std::fabs(c[i] - ref.scipy[i]) / big);
      scipyError = std::max(scipyError, std::fabs(ref.scipy[i] - ref.exact[i]) / big);
    }
    EXPECT_LT(devExact, 1e-11) << "f=" << ref.f << " m=" << ref.m << " d=" << ref.d;
    worstExact = std::max(worstExact, devExact);
    if (scipyError < 1e-8) {
      ++scipyAccurate;
      EXPECT_LT(devScipy, 1e-8) << "f=" << ref.f << " m=" << ref.m << " d=" << ref.d;
      if (devScipy < 1e-8) ++scipyAgrees;
    }
  }
  EXPECT_GE(scipyAccurate, static_cast<int>(refs.size()) - 3);
  std::printf(
      "[ digits ] Savitzky-Golay weights: largest deviation %.1e from exact; SciPy agrees in %d of %d cases "
      "(accurate in %d)\n",
      worstExact,
      scipyAgrees,
      static_cast<int>(refs.size()),
      scipyAccurate);
}

TEST(SpectralSG, ParametersWithoutAFitAreRefused) {
  std::vector<double> c;
  EXPECT_FALSE(Spectral::SavitzkyGolayCoefficients(-1, 0, 0, c));
  EXPECT_FALSE(Spectral::SavitzkyGolayCoefficients(2, 5, 0, c));  // m > 2f
  EXPECT_FALSE(Spectral::SavitzkyGolayCoefficients(5, 2, 3, c));  // d > m
  EXPECT_FALSE(Spectral::SavitzkyGolayCoefficients(5, -1, 0, c));
  EXPECT_FALSE(Spectral::SavitzkyGolayCoefficients(5, 2, -1, c));
  EXPECT_FALSE(Spectral::SavitzkyGolayCoefficients(100, Spectral::MaxOrder + 1, 0, c));
}

TEST(SpectralSG, TransformConvolutionAgreesWithDirect) {
  for (int f : {0, 3, 40, 100, 300}) {
    const size_t count = 700;
    std::vector<double> x = RandomVector(count + 2 * f, 31 + f, 100, 110);  // an offset stresses rounding
    std::vector<double> c;
    ASSERT_TRUE(Spectral::SavitzkyGolayCoefficients(f, f > 0 ? 4 : 0, f > 0 ? 1 : 0, c));
    std::vector<double> direct(count), viaFFT(count), work, kernel;
    Spectral::ConvolveDirect(x.data(), count, c.data(), f, direct.data());
    const size_t p = 2 * Spectral::PowerOfTwoAtLeast(count + 4 * f + 1, 1u << 30);
    Spectral::ConvolveTransform(x.data(), count, c.data(), f, viaFFT.data(), p, work, kernel);
    for (size_t i = 0; i < count; ++i) {
      long double exact = 0;
      for (int t = 0; t <= 2 * f; ++t) exact += static_cast<long double>(c[t]) * x[i + t];
      ASSERT_NEAR(direct[i], static_cast<double>(exact), 1e-12) << f << " " << i;
      ASSERT_NEAR(viaFFT[i], static_cast<double>(exact), 1e-10) << f << " " << i;
    }
  }
}

TEST(SpectralSG, FilterThroughTheEngine) {
  struct Case {
    const char* name;
    std::string program;
    double result;
  };
  const Case cases[] = {
      // 1000 points, f = 32: 936 remain, in data and scale, aligned.
      {"count and alignment",
       "for(i=0;i<1000;i+=1;d[i]=sin(i/50), s[i]=i*0.5), r=sgfilter(d[];s[];32;2;0), "
       "r*1e6+length(d[])*1000+length(s[])+s[0]",
       1e6 + 936000 + 936 + 16},
      // A quadratic passes a quadratic filter unchanged (direct and transform paths).
      {"quadratic f=4",
       "for(i=0;i<200;i+=1;d[i]=0.3*i*i-2*i+5), sgfilter(d[];0;4;2;0), e=0, "
       "for(i=0;i<length(d[]);i+=1;k=i+4, e=if(abs(d[i]-(0.3*k*k-2*k+5))>e;abs(d[i]-(0.3*k*k-2*k+5));e)), "
       "if(e<1e-9;length(d[]);-1)",
       192},
      {"quadratic f=300",
       "for(i=0;i<700;i+=1;d[i]=0.3*i*i-2*i+5), sgfilter(d[];0;300;2;0), e=0, "
       "for(i=0;i<length(d[]);i+=1;k=i+300, e=if(abs(d[i]-(0.3*k*k-2*k+5))>e;abs(d[i]-(0.3*k*k-2*k+5));e)), "
       "if(e<1e-6;length(d[]);-1)",
       100},
      // The first derivative of y = 2i is 2 everywhere.
      {"slope",
       "for(i=0;i<1000;i+=1;d[i]=2*i), sgfilter(d[];0;32;2;1), e=0, "
       "for(i=0;i<length(d[]);i+=1;e=if(abs(d[i]-2)>e;abs(d[i]-2);e)), if(e<1e-9;length(d[]);-1)",
       936},
      // Second derivative per step, without the factor 2: y = 3i^2 gives 3.
      {"curvature",
       "for(i=0;i<100;i+=1;d[i]=3*i*i+i), sgfilter(d[];0;5;3;2), if(abs(d[10]-3)<1e-9;length(d[]);-1)",
       90},
      // Too few points: data and scale emptied.
      {"too short", "for(i=0;i<10;i+=1;d[i]=i, s[i]=i), sgfilter(d[];s[];5;2;0)*100+length(d[])+length(s[])", 0},
      // Parameters without a fit: result 0, data untouched.
      {"m > 2f", "for(i=0;i<10;i+=1;d[i]=i), sgfilter(d[];0;2;5;0)*100+length(d[])+d[3]", 13},
      {"d > m", "for(i=0;i<10;i+=1;d[i]=i), sgfilter(d[];0;2;2;3)*100+length(d[])+d[3]", 13},
      {"f < 0", "for(i=0;i<10;i+=1;d[i]=i), sgfilter(d[];0;-2;0;0)*100+length(d[])+d[3]", 13},
      // The shorter of data and scale decides.
      {"short scale",
       "for(i=0;i<50;i+=1;d[i]=i), for(i=0;i<20;i+=1;s[i]=i), sgfilter(d[];s[];3;2;0)*1000+length(d[])*10+s[0]",
       1000 + 140 + 3},
  };
  for (const Case& c : cases) {
    auto r = RunProgram(c.program);
    ASSERT_TRUE(r.ParseOk) << c.name << ": " << r.ParseMessage;
    ASSERT_FALSE(r.Error) << c.name << ": " << r.Message;
    EXPECT_EQ(r.Number(), c.result) << c.name;
  }
  auto r = RunProgram("d=1, sgfilter(d[];0;2;2;0)");
  EXPECT_TRUE(r.Error);
  EXPECT_EQ(r.Message, "SGFilter: no data array");
}

TEST(SpectralSG, SmoothsNoiseLikeTheWeightsSay) {
  // Smoothing noisy data: each output is the weighted sum of its window.
  std::vector<double> y = RandomVector(300, 77, 0, 1);
  auto r = RunProgram(Fill("d", y) + "sgfilter(d[];0;6;3;0), " + Dump("d") + "0");
  ASSERT_FALSE(r.Error) << r.Message;
  std::istringstream out(r.Output);
  std::vector<double> d = ReadDump(out);
  ASSERT_EQ(d.size(), 288u);
  std::vector<double> c;
  ASSERT_TRUE(Spectral::SavitzkyGolayCoefficients(6, 3, 0, c));
  for (size_t i = 0; i < d.size(); ++i) {
    double e = 0;
    for (int t = 0; t < 13; ++t) e += c[t] * y[i + t];
    ASSERT_NEAR(d[i], e, 1e-13) << i;
  }
}
