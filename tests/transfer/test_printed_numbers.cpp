// The number format of the tables, and the numbers a reader of them gets back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "transfer/printed_numbers.h"

namespace {

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The table keeps its numbers as a reader of the printed "%.8g" text gets them.
TEST(PrintedValue, IsWhatStrtodGivesForThePrintedText) {
  std::mt19937_64 rng(8);
  const double denorm = std::numeric_limits<double>::denorm_min();
  const double smallest_normal = std::numeric_limits<double>::min();
  const double largest = std::numeric_limits<double>::max();
  std::vector<double> values = {0.0, -0.0, denorm, smallest_normal, std::nextafter(smallest_normal, 0.0),
                                largest, 1e-4, 9.99999995e-5, 99999999.5, 1e8, 12345678.5, 12345677.5,
                                123456785, 123456775, 1e22, 1e23, 1e-300, 1e300, 2.2250738585072e-308,
                                std::numeric_limits<double>::infinity()};
  for (int i = 0; i < 100000; ++i) {
    uint64_t bits = rng();
    if (i % 4 == 1) bits &= 0x800FFFFFFFFFFFFFull;  // subnormal
    double v;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isfinite(v)) values.push_back(v);
    // Near the midpoint of two eight-digit numbers, where the rounding is closest.
    char tie[40];
    std::snprintf(tie, sizeof tie, "%lld5e%d", 10000000 + static_cast<long long>(rng() % 90000000),
                  static_cast<int>(rng() % 600) - 330);
    values.push_back(std::strtod(tie, nullptr));
  }
  for (const double value : values)
    for (const double v : {value, -value}) {
      char text[40];
      std::snprintf(text, sizeof text, "%.8g", v);
      ASSERT_TRUE(same_bits(primrec::printed_value(v), std::strtod(text, nullptr)))
          << text << " read back as " << primrec::printed_value(v);
    }
}

}  // namespace
