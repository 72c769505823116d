// The hydrogen overheating table of the feedback: a function tabulated as rows
// of numbers, evaluated by linear interpolation (by quadratics where the rows
// lie far apart).
//
// A table_fun holds its rows in the order they were given. line_approx
// interpolates between the first pair of consecutive rows that brackets its
// argument, in that order, and gives 0 outside the table. The run's one table
// is ln_HydRO: ln of the hydrogen overheating against redshift, produced by
// the first pass and read by the second, possibly while it still grows.
#pragma once

#include <cstddef>
#include <vector>

namespace primrec {

struct couple_double {
  double x;  // argument of the row
  double y;  // function value of the row
};

class table_fun {
 public:
  // Appends a row after the last one.
  void add_row(double x, double y);
  // Removes every row.
  void clear();

  // The interpolated value at x: what the walk from the first row gives, found
  // by bisection when the arguments are strictly monotonic and that is safe.
  double line_approx(double x) const;
  // The same by the walk from the first row, whatever the table.
  double line_approx_walk(double x) const;
  // The quadratic through that pair and the row before it (the one row that
  // is there whenever the pair is): for tables whose rows lie far apart. The
  // line where the pair is the first, or the arguments are not monotonic.
  double quadratic_approx(double x) const;

  size_t size() const { return rows_.size(); }
  const couple_double& row(size_t i) const { return rows_[i]; }

 private:
  bool bracketing_pair_by_bisection(double x, long* pair) const;

  std::vector<couple_double> rows_;
  // The direction of the arguments while they are strictly monotonic and
  // finite: +1, -1, or 0 (walk, for good once they are not); kept up to date
  // row by row, so that a growing table is searched as the finished one would be.
  int direction_ = 0;
  bool monotonic_ = true;
};

}  // namespace primrec
