// Fuzz target: reading a tabulated function and interpolating it.
//
// Input: a header flag byte ('y' for odd values), the number of columns and the
// value column (any small numbers, sensible or not), then the file's bytes. The
// table is read twice, converting plain numbers in memory and leaving every
// number to fscanf, and must come out the same; its interpolation by bisection
// must equal the walk from the head, bit for bit, at every row argument, between
// rows and outside them.
#include <unistd.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "input/number_scanner.h"
#include "input/table_fun.h"

namespace {

void require(bool condition) {
  if (!condition) __builtin_trap();
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void same_tables(const table_fun& a, const table_fun& b) {
  const couple_double *p = &a.head, *q = &b.head;
  for (; p != nullptr && q != nullptr; p = p->next, q = q->next) require(same_bits(p->x, q->x) && same_bits(p->y, q->y));
  require(p == nullptr && q == nullptr);
}

void interpolation_agrees(const table_fun& table, double x) {
  require(same_bits(table.line_approx(x), table.line_approx_walk(x)));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char directory[] = "/tmp/primrec-fuzz-table-XXXXXX";
  if (mkdtemp(directory) == nullptr || chdir(directory) != 0) std::abort();
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();  // the reader's messages
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const char header = (data[0] & 1) ? 'y' : 'n';
  const int columns = data[1] % 6;
  const int value_column = data[2] % 7;
  FILE* out = std::fopen("table.dat", "wb");
  if (out == nullptr) std::abort();
  std::fwrite(data + 3, 1, size - 3, out);
  std::fclose(out);

  table_fun fast, direct;
  number_scanner::direct_conversion = true;
  const int fast_result = fast.In_table_fun("table.dat", header, columns, value_column);
  number_scanner::direct_conversion = false;
  const int direct_result = direct.In_table_fun("table.dat", header, columns, value_column);
  number_scanner::direct_conversion = true;
  require(fast_result == direct_result);
  same_tables(fast, direct);

  const double inf = std::numeric_limits<double>::infinity();
  for (const couple_double* row = &fast.head; row != nullptr; row = row->next) {
    interpolation_agrees(fast, row->x);
    interpolation_agrees(fast, std::nextafter(row->x, inf));
    interpolation_agrees(fast, std::nextafter(row->x, -inf));
    if (row->next != nullptr) interpolation_agrees(fast, 0.5 * row->x + 0.5 * row->next->x);
  }
  for (double x : {0.0, -1.0, 1e300, -1e300, inf, -inf, std::nan("")}) interpolation_agrees(fast, x);
  return 0;
}
