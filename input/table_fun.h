// Functions tabulated in text files, evaluated by linear interpolation.
// A table_fun holds its first row itself and owns the heap rows that follow,
// linked in file order. The program's one table is ln_HydRO: ln of the hydrogen
// overheating against redshift, written by the first pass, read by the second.
#pragma once

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

  couple_double head;  // the first row; an empty table is a zero head with no next

 private:
  void release_rows();
};

extern table_fun ln_HydRO;  // ln(hydrogen radiation overheating) against z
