// The precise mode's correction and its refusals.
#include "driver/precise_correction.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "driver/precise_correction_data.h"

namespace primrec {

namespace {

namespace data = precise_data;

std::string number(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 8).ptr;
  return std::string(text, end);
}

// The fitted quantities of p, in the order of the coefficients.
void physical(const Parameters& p, double (&v)[data::parameters]) {
  const double h = p.H0 / 100;
  v[0] = p.omega_b * h * h;
  v[1] = p.omega_m * h * h;
  v[2] = p.X_M;
  v[3] = p.T0;
  v[4] = p.N_eff;
}

struct Bound {
  const char* name;
  double lo, hi;
};
// How far from flat the model may be: the references are flat.
constexpr double most_curvature = 0.01;
// The physics of the fit.
constexpr double fitted_F_H = 1.125;
constexpr int fitted_feedback_levels = 10;
constexpr double lowest_z_begin = 7000;
// Above this redshift, where the reference histories begin, nothing is corrected.
constexpr double highest_corrected_z = 8000;

std::string outside(const Bound& b, double value) {
  return "precise mode: " + std::string(b.name) + " = " + number(value) + " is outside " + number(b.lo) + " to " +
         number(b.hi) + ", the box of the reference histories its correction was fitted on\n";
}

std::string not_fitted(const char* name, double value, double fitted, const char* what) {
  return "precise mode: " + std::string(name) + " = " + number(value) + ", but the correction holds for " + name +
         " = " + number(fitted) + " only (" + what + ")\n";
}

std::string physics_refusal(const Parameters& p) {
  const Parameters laboratory = default_parameters();
  const struct {
    const char* name;
    double value, fitted;
  } constants[] = {{"G", p.G, laboratory.G},    {"hbar", p.hbar, laboratory.hbar}, {"c", p.c, laboratory.c},
                   {"me", p.me, laboratory.me}, {"mp", p.mp, laboratory.mp},       {"e", p.e, laboratory.e},
                   {"kB", p.kB, laboratory.kB}};
  for (const auto& k : constants)
    if (k.value != k.fitted) return not_fitted(k.name, k.value, k.fitted, "the laboratory value");
  if (p.F_H != fitted_F_H) return not_fitted("F_H", p.F_H, fitted_F_H, "the physics it was fitted with");
  if (p.feedback_levels != fitted_feedback_levels)
    return not_fitted("feedback_levels", p.feedback_levels, fitted_feedback_levels, "the physics it was fitted with");
  if (p.z_begin < lowest_z_begin)
    return "precise mode: z_begin = " + number(p.z_begin) + " is below " + number(lowest_z_begin) +
           ": the correction needs the history from helium doubly ionised on\n";
  return "";
}

}  // namespace

std::string precise_refusal(const Parameters& p) {
  // The box of the cosmologies the correction serves: inside that of the
  // reference histories (whose edges it serves less well).
  const Bound accepted_box[data::parameters] = {{"omega_b h^2", 0.016, 0.031},
                                                {"omega_m h^2", 0.10, 0.20},
                                                {"X_M", 0.74, 0.77},
                                                {"T0", 2.70, 2.75},
                                                {"N_eff", 2, 4}};
  const Bound accepted_H0{"H0", 55, 85};
  double v[data::parameters];
  physical(p, v);
  for (int i = 0; i < data::parameters; ++i)
    if (!(v[i] >= accepted_box[i].lo && v[i] <= accepted_box[i].hi)) return outside(accepted_box[i], v[i]);
  if (!(p.H0 >= accepted_H0.lo && p.H0 <= accepted_H0.hi)) return outside(accepted_H0, p.H0);
  const double curvature = 1 - p.omega_m - p.omega_lambda;
  if (!(std::fabs(curvature) <= most_curvature))
    return "precise mode: 1 - omega_m - omega_lambda = " + number(curvature) + " is more than " +
           number(most_curvature) + " from flat, and the reference histories are flat\n";
  return physics_refusal(p);
}

// The polynomial at every node, once: a row then costs an interpolation.
PreciseCorrection::PreciseCorrection(const Parameters& p)
    : x_e_(static_cast<size_t>(data::node_count)), T_m_(static_cast<size_t>(data::node_count)) {
  double v[data::parameters], u[data::parameters], terms[data::terms];
  physical(p, v);
  for (int i = 0; i < data::parameters; ++i) u[i] = (v[i] - data::centre[i]) / data::centre[i];
  int k = 0;
  terms[k++] = 1;
  for (int i = 0; i < data::parameters; ++i) terms[k++] = u[i];
  for (int i = 0; i < data::parameters; ++i)
    for (int j = i; j < data::parameters; ++j) terms[k++] = u[i] * u[j];
  for (int node = 0; node < data::node_count; ++node) {
    double x = 0, T = 0;
    for (k = 0; k < data::terms; ++k) {
      x += data::x_e[node][k] * terms[k];
      T += data::T_m[node][k] * terms[k];
    }
    x_e_[static_cast<size_t>(node)] = x;
    T_m_[static_cast<size_t>(node)] = T;
  }
}

PreciseCorrection::Factors PreciseCorrection::at(double z) {
  const double* nodes = data::node_z;
  const int last = data::node_count - 1;
  if (z > highest_corrected_z) return {1, 1};
  if (!(z > nodes[0])) return {1 + x_e_[0], 1 + T_m_[0]};
  if (z >= nodes[last]) return {1 + x_e_[static_cast<size_t>(last)], 1 + T_m_[static_cast<size_t>(last)]};
  // The rows fall: the interval is mostly the last one's.
  if (!(nodes[above_ - 1] < z && z <= nodes[above_]))
    above_ = static_cast<int>(std::lower_bound(nodes, nodes + last + 1, z) - nodes);
  const size_t a = static_cast<size_t>(above_), b = a - 1;
  const double t = (z - nodes[b]) / (nodes[a] - nodes[b]);
  return {1 + (x_e_[b] + t * (x_e_[a] - x_e_[b])), 1 + (T_m_[b] + t * (T_m_[a] - T_m_[b]))};
}

void PreciselyCorrected::row(const Row& r) {
  Row c = r;
  const PreciseCorrection::Factors f = correction_.at(r.z);
  c.x_e = r.x_e * f.x_e;
  c.el = r.el * f.x_e;
  c.T_m = r.T_m * f.T_m;
  out_.row(c);
}

}  // namespace primrec
