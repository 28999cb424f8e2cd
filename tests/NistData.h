#pragma once
// The NIST StRD nonlinear regression data sets of tests/data/nist: start
// values, certified values with their standard deviations, data.

#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace OstraTest {

struct TNist {
  std::vector<double> Start[2], Certified, Deviation;
  double RSS = 0;
  std::vector<double> X, Y;
};

inline TNist LoadNist(const std::string& name) {
  TNist d;
  std::ifstream in(std::string(OSTRA_TEST_DATA) + "/nist/" + name + ".dat");
  std::string line;
  const std::regex param(R"(^\s*b\d+\s*=\s*(\S+)\s+(\S+)\s+(\S+)\s+(\S+))");
  const std::regex dataHeader(R"(^Data:\s+y\s+x)");
  bool data = false;
  while (std::getline(in, line)) {
    std::smatch m;
    if (data) {
      std::istringstream s(line);
      double y, x;
      if (s >> y >> x) {
        d.Y.push_back(y);
        d.X.push_back(x);
      }
    } else if (std::regex_search(line, m, param)) {
      d.Start[0].push_back(std::stod(m[1]));
      d.Start[1].push_back(std::stod(m[2]));
      d.Certified.push_back(std::stod(m[3]));
      d.Deviation.push_back(std::stod(m[4]));
    } else if (line.rfind("Residual Sum of Squares:", 0) == 0) {
      d.RSS = std::stod(line.substr(24));
    } else if (std::regex_search(line, dataHeader)) {
      data = true;
    }
  }
  return d;
}

// Log relative error: the number of agreeing significant digits.
inline double Digits(double value, double certified) {
  if (value == certified) return 16;
  return -std::log10(std::fabs(value - certified) / std::fabs(certified));
}

inline std::vector<double> ReadNumbers(const std::string& text) {
  std::istringstream in(text);
  std::vector<double> v;
  double x;
  while (in >> x) v.push_back(x);
  return v;
}

}  // namespace OstraTest
