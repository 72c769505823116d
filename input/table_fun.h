// Functions tabulated in text files, evaluated by linear interpolation.
//
// A table_fun holds its first row itself and owns the heap rows that follow,
// linked in file order. In_table_fun reads a file of rows (an optional header
// ending in "$", then `columns` numbers per row); line_approx interpolates
// between the first pair of consecutive rows that brackets its argument, in
// file order, and gives 0 outside the table. The program's one table is
// ln_HydRO: ln of the hydrogen overheating against redshift, written by the
// first pass and read back by the second.
#pragma once

#include <vector>

struct couple_double {
  double x;             // argument of the row (first column)
  double y;             // function value of the row
  couple_double* next;  // following row in file order, or null

  couple_double() { Init(); }
  void Init() {
    x = 0.0;
    y = 0.0;
    next = nullptr;
  }
};

class table_fun {
 public:
  table_fun() = default;
  ~table_fun();
  table_fun(const table_fun&) = delete;
  table_fun& operator=(const table_fun&) = delete;

  // Fills the table from a file, replacing any rows it held. header_flag 'y'
  // skips a header up to the first "$". Returns 0, or 1 after a message (the
  // table is then unchanged).
  int In_table_fun(const char* file_name, char header_flag, int columns, int value_column);

  // The interpolated value at x: what the walk from the head gives, found by
  // bisection when the arguments are strictly monotonic and that is safe.
  double line_approx(double x) const;

  // The same by the walk from the head, whatever the table.
  double line_approx_walk(double x) const;

  couple_double head;  // the first row; an empty table is a zero head with no next

 private:
  void release_rows();
  void index_rows();
  bool bracketing_pair_by_bisection(double x, long* pair) const;

  // Every row in file order (the head first), once they are read; and the
  // direction of the arguments when strictly monotonic: +1, -1, or 0 (walk).
  std::vector<const couple_double*> rows_;
  int direction_ = 0;
};

extern table_fun ln_HydRO;  // ln(hydrogen radiation overheating) against z
