// The curve-fitting functions: one row per built-in, with its help texts.
// Texts are shown exactly as they stand; \n is a line break. Examples are
// complete programs (one-space indentation inside calls spread over lines),
// and each note says what its example does or returns.

#include "functions/Fitting.h"
#include "functions/Nlfit.h"

namespace TernioParser {

namespace {

const TBuiltinRow Rows[] = {
    {"fit",
     MakeFunction<TFit>,
     {"xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq",
      "The function <func> is fitted (one dimensional fit) by varying parameters <p[]> so that the "
      "function ydata[i] = func(xdata[i]) matches given data arrays <xdata> and <ydata>. The fitter "
      "is based on Levenberg-Marquardt's algorithm. Parameter limits can be given with the arrays "
      "<minvals[]> and <maxvals[]>. If the minimium values and/or maximum values should be specified, "
      "the arrays should have the same number of elements as <p[]>. If no minima and maxima should "
      "be specified, specify 0 instead of an array.\n"
      "The function <func> must make use of the parameters <p[]> and <x>, when <p[]> and <x> are "
      "p[] and x, the function may look like p[0]^2+p[1]*x\n",
      "for(i=0;i<500;i+=1;\n"
      " x=i/30,\n"
      " xdata[i]=x,\n"
      " ydata[i]=3.5*(x-4)^2+60*random()-30\n"
      "),\n"
      "p[0]=1, p[1]=-1,\n"
      "if(\n"
      " fit(xdata[];ydata[];p[];x;p[0]*(x-p[1])^2;0;0;chi);\n"
      " plotxy(0;0;xdata[];ydata[]),\n"
      " plot(0;1;x;p[0]*(x-p[1])^2;0;500/30;100),\n"
      " string('ok: ')+string(p[0])+' '+string(p[1])+' Chi: '+string(sqrt(chi/500))\n"
      " ;\n"
      " 'Fit failed'\n"
      ")\n",
      "This first fills the arrays xdata[] and ydata[] with some test values resembling a parabolic "
      "function with some random noise. Start values for the fit parameters p[0] and p[1] are initialized "
      "with 1 and -1. Then the fit is performed. If it is successful, the original data and the "
      "fit function are plottet. The return value is a string corresponding to the fitted parameter "
      "values as well as the deviation of the fitted function.",
      nullptr}},
    {"nlfit",
     MakeFunction<TNlfit>,
     {"xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq;perr[]",
      "Fits the function <func> to the data arrays <xdata[]> and <ydata[]> by varying the parameters "
      "<p[]>, with the same arguments as fit(), but with a trust-region Levenberg-Marquardt solver that "
      "reaches the reference values of difficult problems, and with the standard errors of the parameters.\n"
      "The derivatives of <func> by the parameters are taken exactly from the expression when it is built "
      "from numbers, variables, <x>, elements of <p[]> with a fixed index, the operators and the elementary "
      "functions; otherwise they are estimated from small changes of the parameters. Limits are given with "
      "<minvals[]> and <maxvals[]> as for fit() (0 instead of an array: no limits).\n"
      "<chisq> receives the sum of the squared deviations and <perr[]> the standard error of each parameter, "
      "scaled by <chisq>/(n-m) for n points and m parameters. The function returns -1 when the fit has "
      "converged and 0 when it has not (too many iterations, no further progress); <p[]> then holds the best "
      "parameters found. Data or start values that are not finite numbers give 0 and leave <p[]> unchanged.",
      "for(i=0;i<200;i+=1;\n"
      " x=i/20,\n"
      " xdata[i]=x,\n"
      " ydata[i]=5*exp(-0.8*x)+0.5+0.01*sin(i*7)\n"
      "),\n"
      "p[0]=1, p[1]=0.1, p[2]=0,\n"
      "if(\n"
      " nlfit(xdata[];ydata[];p[];x;p[0]*exp(-p[1]*x)+p[2];0;0;chi;err[]);\n"
      " 'rate: '+str(p[1];1;4)+' +- '+str(err[1];1;2)\n"
      " ;\n"
      " 'Fit failed'\n"
      ")\n",
      "This fills xdata[] and ydata[] with 200 points of a decaying exponential on a baseline with a small "
      "disturbance and fits height, rate and baseline from the start values 1, 0.1 and 0. It returns the "
      "rate with its standard error, 'rate: 0.8004 +- 0.00077'.",
      "fit(xdata[];ydata[];p[];x;func;minvals[];maxvals[];chisq),lfit(xdata[];ydata[];order;p[])"}},
    {"lfit",
     MakeFunction<TLFit>,
     {"xdata[];ydata[];order;p[]",
      "ydata[] is fitted by a polynome of <order>th order. The resulting multipliers are returned "
      "in <p[]>. The function returns 1 if the fit was successful, otherwise 0. The array <xdata[]> "
      "can be left away (use 0 instead). In this case, a xdata[] is assumed to be theindex of the "
      "array element in <ydata[]>",
      "for(i=0;i<1000;i+=1;\n"
      " y[i]=-1000+5*i-.01*i^2+random()*1000,\n"
      " x[i]=i\n"
      "),\n"
      "plotxy(0;0;x[];y[]),\n"
      "lfit(x[];y[];3;p[]),\n"
      "plot(0;1;i;p[0]+p[1]*i+p[2]*i^2;0;999;1000)\n",
      "This creates a 2nd order polynome with some noise and fits it and displays the fitted curve. "
      "Instead of lfit(x[];y[];3;p[]) one could have written lfit(0;y[];3;p[]) as the array x just "
      "contains the index of the elements.",
      "fit()"}},
};

}  // namespace

TLibrary FittingLibrary() { return Rows; }

}  // namespace TernioParser
