// Plain decimal numbers converted in memory; anything else read by fscanf.
#include "input/number_scanner.h"

#include <cctype>
#include <cstdlib>

bool number_scanner::direct_conversion = true;

number_scanner::number_scanner(FILE* stream) {
  char buffer[65536];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, stream)) > 0;) text_.append(buffer, got);
}

number_scanner::~number_scanner() {
  if (rest_ != nullptr) std::fclose(rest_);
}

// fscanf skips white space as isspace sees it in the C locale.
namespace {
bool space(char ch) { return std::isspace(static_cast<unsigned char>(ch)) != 0; }
bool digit(char ch) { return ch >= '0' && ch <= '9'; }
}  // namespace

size_t number_scanner::plain_number_length(size_t at) const {
  const size_t n = text_.size();
  size_t p = at;
  if (p < n && (text_[p] == '+' || text_[p] == '-')) ++p;
  size_t mantissa_digits = 0;
  while (p < n && digit(text_[p])) ++p, ++mantissa_digits;
  if (p < n && text_[p] == '.') {
    ++p;
    while (p < n && digit(text_[p])) ++p, ++mantissa_digits;
  }
  if (mantissa_digits == 0) return 0;
  if (p < n && (text_[p] == 'e' || text_[p] == 'E')) {
    ++p;
    if (p < n && (text_[p] == '+' || text_[p] == '-')) ++p;
    size_t exponent_digits = 0;
    while (p < n && digit(text_[p])) ++p, ++exponent_digits;
    if (exponent_digits == 0) return 0;
  }
  if (p < n && !space(text_[p])) return 0;
  return p - at;
}

// The rest of the text, from the current position, as a stream for fscanf; null
// when nothing is left, where fscanf would meet the end of the file.
FILE* number_scanner::handed_over() {
  if (rest_ == nullptr && position_ < text_.size())
    rest_ = fmemopen(&text_[position_], text_.size() - position_, "r");
  return rest_;
}

int number_scanner::scan(double* value) {
  if (rest_ == nullptr && direct_conversion) {
    size_t p = position_;
    while (p < text_.size() && space(text_[p])) ++p;
    if (p == text_.size()) {
      position_ = p;
      return EOF;
    }
    const size_t length = plain_number_length(p);
    if (length > 0) {
      *value = std::strtod(text_.c_str() + p, nullptr);
      position_ = p + length;
      return 1;
    }
  }
  FILE* rest = handed_over();
  return rest == nullptr ? EOF : std::fscanf(rest, "%lg", value);
}

int number_scanner::skip() {
  if (rest_ == nullptr && direct_conversion) {
    double ignored;
    size_t p = position_;
    while (p < text_.size() && space(text_[p])) ++p;
    if (p == text_.size()) {
      position_ = p;
      return EOF;
    }
    if (plain_number_length(p) > 0) return scan(&ignored) == 1 ? 0 : EOF;
  }
  FILE* rest = handed_over();
  return rest == nullptr ? EOF : std::fscanf(rest, "%*lg");
}
