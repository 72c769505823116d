// Sobolev escape of hydrogen and HeII Lyman alpha, in the product order of the
// kinetic matrix and of the hydrogen overheating.
#include "transfer/lyman_alpha_escape.h"

#include <cmath>

#include "transfer/escape_probabilities.h"

namespace primrec {

namespace {

// g(2p) / g(1s) of a hydrogen-like Lyman-alpha line.
constexpr double lyman_alpha_weight_ratio = 3;

}  // namespace

// 3 lambda^3 N0_nuclear (1+z)^3, not the HeI lines' order g lambda^3 (1+z)^3
// N0_nuclear (transfer/line_rates.cpp): the two differ in the last bit.
Lyman_alpha_line Lyman_alpha_line_conditions(Physics& ph, double z, double lambda) {
  return {8 * ph.cs.pi * ph.H(z),
          lyman_alpha_weight_ratio * std::pow(lambda, 3) * ph.cs.N0_nuclear * std::pow(1 + z, 3)};
}

double Lyman_alpha_Sobolev_rate(const Lyman_alpha_line& line, double x) {
  return line.numerator / (line.denominator * (x + abundance_floor));
}

double Lyman_alpha_Sobolev_rate(Physics& ph, double z, double lambda, double x) {
  return Lyman_alpha_Sobolev_rate(Lyman_alpha_line_conditions(ph, z, lambda), x);
}

}  // namespace primrec
