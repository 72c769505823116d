// The overheating table: rows in order and their piecewise-linear (or, for
// rows far apart, quadratic) interpolation.
//
// The interpolation takes the first pair of consecutive rows (a, b), in order,
// with (x - a.x) (x - b.x) <= 0. A long table is searched by bisection when its
// arguments are strictly monotonic; the bisection is checked against that same
// product test, and where floating point could make the two disagree (a
// product that underflows to 0, or 0 times an overflowed difference) the walk
// from the first row decides.
#include "transfer/overheating_table.h"

#include <cmath>

namespace primrec {

namespace {

bool brackets(double x, const couple_double& a, const couple_double& b) {
  return (x - a.x) * (x - b.x) <= 0;
}

// Linear interpolation between a and b; a pair with equal arguments gives a's value.
double interpolate(double x, const couple_double& a, const couple_double& b) {
  if (b.x == a.x) return a.y;
  return a.y + (x - a.x) * (b.y - a.y) / (b.x - a.x);
}

// The quadratic through a, b and c at x.
double quadratic(double x, const couple_double& a, const couple_double& b, const couple_double& c) {
  return a.y * ((x - b.x) * (x - c.x)) / ((a.x - b.x) * (a.x - c.x)) +
         b.y * ((x - a.x) * (x - c.x)) / ((b.x - a.x) * (b.x - c.x)) +
         c.y * ((x - a.x) * (x - b.x)) / ((c.x - a.x) * (c.x - b.x));
}

}  // namespace

void table_fun::add_row(double x, double y) {
  rows_.push_back({x, y});
  const size_t n = rows_.size();
  if (!std::isfinite(x)) monotonic_ = false;
  if (n == 2) direction_ = rows_[1].x > rows_[0].x ? 1 : -1;
  if (n >= 2 && !(direction_ > 0 ? rows_[n - 1].x > rows_[n - 2].x : rows_[n - 1].x < rows_[n - 2].x))
    monotonic_ = false;
}

void table_fun::clear() {
  rows_.clear();
  direction_ = 0;
  monotonic_ = true;
}

double table_fun::line_approx_walk(double x) const {
  for (size_t i = 0; i + 1 < rows_.size(); ++i)
    if (brackets(x, rows_[i], rows_[i + 1])) return interpolate(x, rows_[i], rows_[i + 1]);
  return 0.0;
}

// Finds the pair the walk would take (or -1 for none) when that can be proved
// without walking; returns false where only the walk can tell.
bool table_fun::bracketing_pair_by_bisection(double x, long* pair) const {
  // Bisection needs strictly monotonic, finite arguments.
  if (!monotonic_ || direction_ == 0 || !std::isfinite(x)) return false;
  const long n = static_cast<long>(rows_.size());
  // First row at or past x in the direction of the table.
  long lo = 0, hi = n;
  while (lo < hi) {
    const long mid = lo + (hi - lo) / 2;
    const bool past = direction_ > 0 ? rows_[mid].x >= x : rows_[mid].x <= x;
    if (past) {
      hi = mid;
    } else {
      lo = mid + 1;
    }
  }
  long candidate = -1;
  if (lo == 0) {
    if (rows_[0].x == x) candidate = 0;
  } else if (lo < n) {
    candidate = lo - 1;
  }
  // Every pair before the candidate (or every pair, when x lies outside the
  // table) has both rows on one side of x; the pair nearest x has the smallest
  // product, so if its product is positive, so are all the others.
  long nearest_outside;
  if (candidate >= 0) {
    nearest_outside = candidate - 1;
  } else {
    nearest_outside = lo == 0 ? 0 : n - 2;
  }
  if (nearest_outside >= 0 && brackets(x, rows_[nearest_outside], rows_[nearest_outside + 1])) return false;
  if (candidate >= 0 && !brackets(x, rows_[candidate], rows_[candidate + 1])) return false;
  *pair = candidate;
  return true;
}

double table_fun::line_approx(double x) const {
  long pair = -1;
  if (!bracketing_pair_by_bisection(x, &pair)) return line_approx_walk(x);
  if (pair < 0) return 0.0;
  return interpolate(x, rows_[pair], rows_[pair + 1]);
}

double table_fun::quadratic_approx(double x) const {
  long pair = -1;
  if (!bracketing_pair_by_bisection(x, &pair)) return line_approx_walk(x);
  if (pair < 0) return 0.0;
  if (pair == 0) return interpolate(x, rows_[0], rows_[1]);
  return quadratic(x, rows_[pair - 1], rows_[pair], rows_[pair + 1]);
}

}  // namespace primrec
