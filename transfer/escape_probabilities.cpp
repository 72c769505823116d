// Escape probabilities of the HeI lines with continuum absorption by hydrogen.
// P_H is the entry: the Doppler-core term P_D, then the wing terms, P_W for a
// line with real branching out of it or P_Ch_G + P_W1 for an almost purely
// scattering line. The kappa functions give the ratio r = kappa_He / kappa_H.
// Every expression is evaluated in the written order, to the last bit.
#include "transfer/escape_probabilities.h"

#include <cmath>

namespace primrec {

namespace {

// P_D = 1 / (1 + k r^p): the fit changes coefficients at these values of r;
// each bound belongs to the interval below it.
constexpr double P_D_bound_low = 500;
constexpr double P_D_bound_mid = 50000;
constexpr double P_D_bound_high = 500000;

// Stands in for the infinite upper limit of the wing integrals: atan of its
// root is pi/2 to double precision.
constexpr double far_wing_limit = 1e40;

// |1 - w| up to this makes the line "almost pure scattering": P_H then uses
// P_Ch_G + P_W1 instead of P_W.
constexpr double scattering_line_width_of_w = 0.01;

// P_Ch_G is dropped (0) while the product a r is below this.
constexpr double P_Ch_G_min_damped_ratio = 1;

// P_W1 switches its wing coefficient k from 1 to 0.5 sqrt(ln r) at this r
// (a jump from 1 to about 0.154).
constexpr double P_W1_k_switch = 1.1;

// Line-centre absorption of a HeI line of Einstein coefficient A_line and
// weight ratio g: the Doppler profile peaks at 1 / (sqrt(pi) Doppler width).
double kappa_He_line(const Physics& ph, double doppler_width, double x, double g, double A_line) {
  return (x + abundance_floor) * (g * A_line / ph.cs.sqrt_pi) / doppler_width;
}

}  // namespace

double P_D(double r) {
  double k, p;
  if (r <= P_D_bound_low) {
    k = 0.66;
    p = 0.9;
  } else if (r <= P_D_bound_mid) {
    k = 0.515;
    p = 0.94;
  } else if (r <= P_D_bound_high) {
    k = 0.416;
    p = 0.96;
  } else {  // also NaN r, which stays NaN
    k = 0.36;
    p = 0.97;
  }
  return 1 / (1 + k * std::pow(r, p));
}

// For a > 1 the logarithm turns the root of A2 into nan (a = 1 gives A2 = 0);
// r = 0 divides by zero.
double P_W(const Physics& ph, const line_shape& shape, double r) {
  const double a = shape.a;
  if (a == 0) return 0;
  const double A1 = std::atan(std::sqrt(far_wing_limit * ph.cs.sqrt_pi / r / a));
  const double A2 = std::atan(std::sqrt(shape.wing_log_term / r / a));
  return 2 * std::sqrt(a / r / ph.cs.pi_to_three_halves) * (A1 - A2);
}

double Gamma_ratio_appr(double t) { return std::pow(t + 1.28, -0.5); }

double hgf_approx(double t) { return 1 + std::exp(std::log(t + 1.5) * (-1.07) + (-0.45)); }

// The product a r decides whether the term exists; a NaN product counts as
// below the threshold.
double P_Ch_G(const line_shape& shape, double r) {
  const double S = std::sqrt(shape.core_root_term / r);
  const double t = shape.core_t_term / S - 0.25;
  double M = 0;
  if (shape.a * r >= P_Ch_G_min_damped_ratio) M = shape.core_M_term * std::pow(r, -0.75);
  return M * Gamma_ratio_appr(t) * hgf_approx(t);
}

// w = 1 makes u = 0 and the divisions by u give inf and nan; r = 0 divides by zero.
double P_W1(const Physics& ph, const line_shape& shape, double r) {
  const double a = shape.a, u = shape.u;
  if (a == 0) return 0;
  const double k = (r >= P_W1_k_switch) ? 0.5 * std::sqrt(std::log(r)) : 1.0;  // NaN r: 1.0
  const Constants& cs = ph.cs;
  const double A1 = std::atan(std::sqrt(cs.sqrt_pi * far_wing_limit / r / a / u));
  const double y = k * cs.two_to_one_quarter * cs.pi_to_one_eighth * shape.w_to_one_quarter *
                   std::pow(r * a, -0.25) * shape.u_to_minus_one_half;
  const double A2 = std::atan(y);
  return shape.two_u * std::sqrt(a / r / u / cs.pi_to_three_halves) * (A1 - A2);
}

// A NaN w fails the comparison and takes the scattering-line form.
double P_H(const Physics& ph, const line_shape& shape, double r) {
  const double D = P_D(r);
  if (std::fabs(1 - shape.w) > scattering_line_width_of_w) return D + P_W(ph, shape, r);
  return D + P_Ch_G(shape, r) + P_W1(ph, shape, r);
}

// The parts of the wing terms fixed by a and w, each the leading part of its
// expression, so that finishing it with r gives the value of the whole.
line_shape escape_line_shape(const Physics& ph, double a, double w) {
  const double sqrt_pi = ph.cs.sqrt_pi;
  line_shape shape;
  shape.a = a;
  shape.w = w;
  shape.wing_log_term = -1.5625 * std::log(a) * sqrt_pi;
  shape.core_root_term = 2 * sqrt_pi / w / a;
  shape.core_t_term = 0.5 * (1 - w) / w;
  shape.core_M_term = (1 / sqrt_pi) * std::pow(8 * w * a / sqrt_pi, 0.25);
  shape.u = 1 - w;
  shape.w_to_one_quarter = std::pow(w, 0.25);
  shape.u_to_minus_one_half = std::pow(shape.u, -0.5);
  shape.two_u = shape.u * 2;
  return shape;
}

// x sigma_1(nu) is the continuum absorption per nucleus; 0 below the Lyman limit.
double kappa_H(const Physics& ph, double nu, double sigma_1, double x) {
  return (x + abundance_floor) * 8 * sigma_1 * ph.cs.pi * nu * nu / ph.cs.c / ph.cs.c;
}

double kappa_He_para(const Physics& ph, double doppler_width, double x) {
  return kappa_He_line(ph, doppler_width, x, HeI_singlet_weight_ratio, ph.at.A_2p1s_paraHeI);
}

double kappa_He_orto(const Physics& ph, double doppler_width, double x) {
  return kappa_He_line(ph, doppler_width, x, HeI_triplet_weight_ratio, ph.at.A_2p1s_ortoHeI);
}

// The damping of the line rates takes the thermal speed in another order
// (2 kB (z + 1) T0 first), which differs in the last bit: each keeps its own.
double HeI_line_doppler_width(const Physics& ph, double z, double nu) {
  const Constants& cs = ph.cs;
  return nu * std::sqrt(T_br(cs, z) * 2 * cs.kB / (cs.He_to_H * cs.mH)) / cs.c;
}

// h holds hbar: an energy over 2 pi hbar is an ordinary frequency.
double HeI_para_line_frequency(const Physics& ph) { return (ph.at.I1_HeI - ph.at.I2p_HeI) * 0.5 / ph.cs.pi / ph.cs.h; }

double HeI_orto_line_frequency(const Physics& ph) {
  return (ph.at.I1_HeI - ph.at.I2p_orto_HeI) * 0.5 / ph.cs.pi / ph.cs.h;
}

}  // namespace primrec
