// Thomson optical depth and visibility.
//
// The integral runs over the table's own rows, by the trapezoidal rule in
// ln(1+z): the rows of a run are equally spaced in ln(1+z), where the integrand
// dtau/d ln(1+z) = (1+z) dtau/dz varies smoothly. Below the last row, if the
// table stops short of z = 0, x_e is held at its last value and the integral
// taken by Simpson's rule.
#include "last_scattering/last_scattering.h"

#include <algorithm>
#include <cmath>

namespace primrec {

namespace {

// Intervals of Simpson's rule below the last row (even).
constexpr int continuation_intervals = 400;

struct Sample {
  double z, x_e;
};

double integrand_in_ln(const Constants& cs, double z, double x_e) {
  return (1 + z) * thomson_depth_per_redshift(cs, z, x_e);
}

double held_fraction_depth(const Constants& cs, double z_end, double x_e) {
  const double h = z_end / continuation_intervals;
  double sum = thomson_depth_per_redshift(cs, 0, x_e) + thomson_depth_per_redshift(cs, z_end, x_e);
  for (int i = 1; i < continuation_intervals; ++i)
    sum += (i % 2 == 1 ? 4 : 2) * thomson_depth_per_redshift(cs, i * h, x_e);
  return sum * h / 3;
}

// z where the line through (z0, y0) and (z1, y1) takes the value y.
double crossing(double z0, double y0, double z1, double y1, double y) { return z0 + (y - y0) * (z1 - z0) / (y1 - y0); }

void find_last_scattering(LastScattering& result) {
  const auto& p = result.points;
  // tau = 1 between two rows; none when tau stays below 1 up to the highest
  // redshift of the table, or is 1 or more already at its lowest (the crossing
  // then lies below the table, where x_e is not known).
  result.z_star = std::nan("");
  for (size_t k = 0; k + 1 < p.size(); ++k)
    if (p[k].tau < 1 && p[k + 1].tau >= 1) {
      result.z_star = crossing(p[k].z, p[k].tau, p[k + 1].z, p[k + 1].tau, 1.0);
      break;
    }
  result.z_peak = result.peak_full_width = std::nan("");
  size_t top = 0;
  for (size_t k = 1; k < p.size(); ++k)
    if (p[k].g > p[top].g) top = k;
  // The largest value at the highest or lowest redshift is no peak: the
  // visibility still rises there, and its peak lies beyond the table.
  if (top == 0 || top + 1 == p.size()) return;
  // The vertex of the parabola through the three highest points.
  result.z_peak = p[top].z;
  double g_max = p[top].g;
  const double z0 = p[top - 1].z, z1 = p[top].z, z2 = p[top + 1].z;
  const double g0 = p[top - 1].g, g1 = p[top].g, g2 = p[top + 1].g;
  const double d01 = (g1 - g0) / (z1 - z0), d12 = (g2 - g1) / (z2 - z1), curvature = (d12 - d01) / (z2 - z0);
  if (curvature < 0) {
    result.z_peak = 0.5 * (z0 + z1) - d01 / (2 * curvature);
    g_max = g1 + (result.z_peak - z1) * (d01 + curvature * (result.z_peak - z0));
  }
  // Half the maximum on either side; without it on both, no width.
  double below = std::nan(""), above = std::nan("");
  for (size_t k = top; k > 0; --k)
    if (p[k - 1].g < g_max / 2) {
      below = crossing(p[k - 1].z, p[k - 1].g, p[k].z, p[k].g, g_max / 2);
      break;
    }
  for (size_t k = top; k + 1 < p.size(); ++k)
    if (p[k + 1].g < g_max / 2) {
      above = crossing(p[k].z, p[k].g, p[k + 1].z, p[k + 1].g, g_max / 2);
      break;
    }
  result.peak_full_width = above - below;
}

}  // namespace

double thomson_depth_per_redshift(const Constants& cs, double z, double x_e) {
  const double n_e = x_e * cs.N0_H * (1 + z) * (1 + z) * (1 + z);
  return n_e * cs.sigma_t * cs.c / ((1 + z) * H(cs, z));
}

LastScattering optical_depth(const Constants& cs, const std::vector<double>& z, const std::vector<double>& x_e) {
  std::vector<Sample> rows;
  for (size_t k = 0; k < z.size() && k < x_e.size(); ++k) rows.push_back({z[k], x_e[k]});
  std::sort(rows.begin(), rows.end(), [](const Sample& a, const Sample& b) { return a.z < b.z; });
  LastScattering result;
  if (rows.empty()) {
    result.z_star = result.z_peak = result.peak_full_width = std::nan("");
    return result;
  }
  double tau = 0;
  if (rows.front().z > 0) {
    result.continued_below = rows.front().z;
    tau = held_fraction_depth(cs, rows.front().z, rows.front().x_e);
  }
  for (size_t k = 0; k < rows.size(); ++k) {
    if (k > 0) {
      const double step = std::log1p(rows[k].z) - std::log1p(rows[k - 1].z);
      tau += 0.5 * step *
             (integrand_in_ln(cs, rows[k - 1].z, rows[k - 1].x_e) + integrand_in_ln(cs, rows[k].z, rows[k].x_e));
    }
    result.points.push_back(
        {rows[k].z, tau, thomson_depth_per_redshift(cs, rows[k].z, rows[k].x_e) * std::exp(-tau)});
  }
  find_last_scattering(result);
  return result;
}

}  // namespace primrec
