// "%.8g" from a scaled double.
//
// The eight digits are the integer nearest to |v| 10^(7 - X), X the decimal
// exponent of v. Computed in double with a correctly rounded power of ten, the
// scaled value is off by less than 3e-8; so wherever its fraction is not within
// 1e-6 of one half, and it is not at the edge of its decade, the nearest
// integer is the correctly rounded one. In those few places, for values that
// are not finite or not normal, and where the power of ten is out of range, the
// correctly rounded conversion of the library decides.
#include "transfer/printed_numbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "transfer/powers_of_ten.h"

namespace primrec {

namespace {

constexpr int significant_digits = 8;
// %g uses the exponent form when the decimal exponent is below this...
constexpr int lowest_fixed_exponent = -4;
// Scales whose power of ten is kept: 10^-300 .. 10^300.
constexpr int largest_scale = largest_power_of_ten;
constexpr double log10_of_2 = 0.30102999566398120;
// How far from a rounding tie the scaled value must be to be trusted.
constexpr double tie_margin = 1e-6;
// How far inside its decade [1e7, 1e8) the scaled value must be.
constexpr double decade_margin = 1e-12;

char* format_exactly(char* out, double value) {
  return std::to_chars(out, out + 32, value, std::chars_format::general, significant_digits).ptr;
}

double ten_to(int k) { return powers_of_ten[k + largest_scale]; }

// The eight significant digits of a number and its decimal exponent.
struct Decimal {
  bool negative;
  char digits[significant_digits];
  int count;
  int exponent;
};

// The correctly rounded eight digits of a normal |v|, or false where the
// scaled double cannot be trusted to give them.
bool round_to_eight(double magnitude, Decimal& d) {
  // From the binary exponent: the decimal one or one below it.
  int binary_exponent;
  std::frexp(magnitude, &binary_exponent);
  int X = static_cast<int>(std::floor((binary_exponent - 1) * log10_of_2));
  double scaled = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int k = significant_digits - 1 - X;
    if (k < -largest_scale || k > largest_scale) return false;
    scaled = magnitude * ten_to(k);
    if (scaled < 1e7) {
      --X;
    } else if (scaled >= 1e8) {
      ++X;
    } else {
      break;
    }
  }
  if (!(scaled >= 1e7 * (1 + decade_margin) && scaled <= 1e8 * (1 - decade_margin))) return false;
  const double whole = std::floor(scaled);
  const double fraction = scaled - whole;
  if (std::fabs(fraction - 0.5) < tie_margin) return false;
  uint32_t N = static_cast<uint32_t>(whole) + (fraction > 0.5 ? 1 : 0);
  if (N == 100000000) {  // rounded up into the next decade
    N = 10000000;
    ++X;
  }
  for (int i = significant_digits - 1; i >= 0; --i) {
    d.digits[i] = static_cast<char>('0' + N % 10);
    N /= 10;
  }
  d.count = significant_digits;
  d.exponent = X;
  return true;
}

char* put_digits(char* out, const char* digits, int count) {
  std::memcpy(out, digits, static_cast<size_t>(count));
  return out + count;
}

char* format_rounded(char* out, Decimal d) {
  while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;  // %g drops trailing zeros
  if (d.negative) *out++ = '-';
  const int X = d.exponent;
  if (X >= lowest_fixed_exponent && X < significant_digits) {
    if (X < 0) {
      *out++ = '0';
      *out++ = '.';
      for (int i = -1; i > X; --i) *out++ = '0';
      return put_digits(out, d.digits, d.count);
    }
    const int whole = X + 1;
    if (d.count <= whole) {
      out = put_digits(out, d.digits, d.count);
      for (int i = d.count; i < whole; ++i) *out++ = '0';
      return out;
    }
    out = put_digits(out, d.digits, whole);
    *out++ = '.';
    return put_digits(out, d.digits + whole, d.count - whole);
  }
  *out++ = d.digits[0];
  if (d.count > 1) {
    *out++ = '.';
    out = put_digits(out, d.digits + 1, d.count - 1);
  }
  *out++ = 'e';
  *out++ = X < 0 ? '-' : '+';
  const int magnitude = X < 0 ? -X : X;
  if (magnitude >= 100) *out++ = static_cast<char>('0' + magnitude / 100);
  *out++ = static_cast<char>('0' + magnitude / 10 % 10);
  *out++ = static_cast<char>('0' + magnitude % 10);
  return out;
}

}  // namespace

char* format_g8(char* out, double value) {
  if (!std::isfinite(value) || std::fabs(value) < std::numeric_limits<double>::min())
    return format_exactly(out, value);
  Decimal d;
  d.negative = std::signbit(value);
  if (!round_to_eight(std::fabs(value), d)) return format_exactly(out, value);
  return format_rounded(out, d);
}

char* format_table_field(char* out, double value) {
  char* const end = out + table_field_width;
  char* const written = format_g8(out, value);
  std::memset(written, ' ', static_cast<size_t>(end - written));
  return end;
}

char* format_table_line(char* line, double first, double second) {
  char* const end = format_table_field(format_table_field(line, first), second);
  *end = '\n';
  return end + 1;
}

double printed_value(double value) {
  char text[32];
  char* const end = format_g8(text, value);
  double read = 0;
  std::from_chars(text, end, read);
  return read;
}

}  // namespace primrec
