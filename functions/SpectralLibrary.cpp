// The spectral analysis and smoothing functions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "functions/Spectral.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"fft",
     MakeFunction<TFFT>,
     {"xdata[],ydata[],apo,resincr,pad,normout,realout,imgout,scalaout",
      "Performs a fast fourier transform of a real (not imaginary) input data.<xdata[]> and <ydata[]> "
      "are the input scale and data. The scale is used to calculate the resulting frequencies, but "
      "can be omitted when only the data values are wanted. \n"
      "<apo> describes an apodisation to be applied before the fft transformation. An apodisation "
      "is used to remove unwanted frequencies from the transformation result which are due the fact "
      "that the source function only resembles a limited time interval. The following values are "
      "allowed for <apo>: \n"
      "0: no apodisation\n"
      "1: subtract mean value of all data points\n"
      "2: multiply the source data with a square function that is 0 at the edges and 1 in the middle\n"
      "3: multiply the data with a sine function that is 0 at the edges and 1 in the middle\n"
      "The input parameter <resincr> allows increasing the resolution of the FFT. This is done by "
      "making the input data longer by appending constant values. The values depend on the variable "
      "<pad>. A <resincr> of 0 results in a minimum length FFT, every increase by 1 leads to double "
      "length of the resulting data vector and therefore double frequency resolution.\n"
      "The value <pad> determines what values to append when the length of the input data has to "
      "be increased. The input data length is increased in two cases: \n"
      "1. The input data length is not a multiple of 2: In this case the input data is lengthened "
      "to the next multiple of 2.\n"
      "2. <resincr> is larger than 0\n"
      "The transformation result is returned in the four vectors <normout[]>,<realout[]>,<imgout[]> "
      "and <scalaout[]>. Each of them can be 0 if the corresponding vector is not needed. <realout[]> "
      "and <imgout[]> resemble real and imaginary part of the transformed data. <normout[]> is the "
      "square root of the squares of real and imaginary part and describe the frequency amplitude.<scalaout> "
      "contain the corresponding frequencies for the case the <xdata[]> array has been passed to "
      "the function.\n"
      "fft returns the number of data points in the output vectors.",
      "ftime=1,\n"
      "plotautoscale(0;1;0),\n"
      "while(1;\n"
      " scroll(a[];random();80),\n"
      " fft(0;a[];2;2;0;norm[];0;0;0),\n"
      " plotxy(0;0;0;norm[]),\n"
      " if(ftime;plotview(0;0;0;0;0.08),ftime=0;0)\n"
      ")\n",
      "This generates a scrolling random data vector which is then fourier transformed and displayed.",
      "invfft"}},
    {"invfft",
     MakeFunction<TInvFFT>,
     {"real[],img[],out[]",
      "Performs an inverse fast fourier transform. The input parameters <real[]> and <img[]> correspond "
      "to the real and imaginary part of a frequency spectrum and must have the length of a multiple "
      "of 2.The output is a real data vector of double length. This function can be used together "
      "with the fft function to perform filtering in the frequency domain.",
      "for(i=0;i<256;i+=1;\n"
      " a[i]=sin(i/256*2*pi()*3.0) + random()*0.5 - 0.25\n"
      "),\n"
      "plotxy(0;0;0;a[]),\n"
      "fft(0;a[];0;0;0;0;real[];img[];0),\n"
      "real[3]=0,img[3]=0,\n"
      "invfft(real[];img[];out[]),\n"
      "foreach(i;out[];\n"
      " subtr[i]=a[i] - out[i]\n"
      "),\n"
      "plotxy(0;1;0;out[]),\n"
      "plotxy(0;2;0;subtr[])\n",
      "This creates a noisy sine curve and uses the fft and invfft to separate the sine curve from "
      "the noise.",
      "fft"}},
    {"sgfilter",
     MakeFunction<TSGFilter>,
     {"data[];scale[];filt;poly;deriv",
      "Filters <data[]> with a savitzky golay filter using 2 x <filt> points and using a polynome "
      "with order <poly>, at the same time taking the <deriv>'s derivative. The resulting data vector "
      "is shorter than the original. If the parameter <scale[]> is given as well, the vector is "
      "shortenend appropriately.",
      "while(1;\n"
      " for(i=0;i<1000;i+=1;\n"
      "  scala[i]=i,\n"
      "  data[i]=cos(i/200*pi())+random()*0.5-0.25\n"
      " ),\n"
      " plotxy(0;0;scala[];data[]),\n"
      " sgfilter(data[];scala[];32;2;0),\n"
      " plotxy(0;1;scala[];data[])\n"
      ")\n",
      "This generates a noisy sine wave and filters it using the sgfilter function.",
      nullptr}},
};

}  // namespace

TLibrary SpectralLibrary() { return Rows; }

}  // namespace TernioParser
