// Fuzz target: interpolating a tabulated function.
//
// The input bytes are rows of two doubles each (argument, value), any bits at
// all. The interpolation by bisection must equal the walk from the first row,
// bit for bit, at every row argument, next to it, between rows and outside them.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "transfer/overheating_table.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void interpolation_agrees(const primrec::table_fun& table, double x) {
  require(same_bits(table.line_approx(x), table.line_approx_walk(x)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  primrec::table_fun table;
  for (size_t at = 0; at + 2 * sizeof(double) <= size; at += 2 * sizeof(double)) {
    double x, y;
    std::memcpy(&x, data + at, sizeof x);
    std::memcpy(&y, data + at + sizeof x, sizeof y);
    table.add_row(x, y);
  }
  const double inf = std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < table.size(); ++i) {
    const double x = table.row(i).x;
    interpolation_agrees(table, x);
    interpolation_agrees(table, std::nextafter(x, inf));
    interpolation_agrees(table, std::nextafter(x, -inf));
    if (i + 1 < table.size()) interpolation_agrees(table, 0.5 * x + 0.5 * table.row(i + 1).x);
  }
  for (double x : {0.0, -1.0, 1e300, -1e300, inf, -inf, std::nan("")}) interpolation_agrees(table, x);
  return 0;
}
