// Reads decimal numbers from a stream as fscanf's "%lg" does, faster: the rest
// of the stream is taken into memory, and plain decimal numbers (sign, digits,
// point, exponent, then white space or the end) are converted directly, which
// gives the same value as fscanf. At the first text of any other form the
// scanner hands the rest over to fscanf itself, so every input reads exactly as
// fscanf reads it.
#pragma once

#include <cstdio>
#include <string>

class number_scanner {
 public:
  // Takes what is left of `stream`; the stream is not read again.
  explicit number_scanner(FILE* stream);
  ~number_scanner();
  number_scanner(const number_scanner&) = delete;
  number_scanner& operator=(const number_scanner&) = delete;

  // fscanf(stream, "%lg", value) and fscanf(stream, "%*lg").
  int scan(double* value);
  int skip();

  // For tests: hand every number to fscanf from the start.
  static bool direct_conversion;

 private:
  // The length of a plain decimal number at `at`, or 0.
  size_t plain_number_length(size_t at) const;
  FILE* handed_over();

  std::string text_;
  size_t position_ = 0;
  FILE* rest_ = nullptr;
};
