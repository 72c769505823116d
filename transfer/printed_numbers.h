// The number format of the tables: printf's "%.8g" (eight significant digits,
// exponent form below 1e-4 and from 1e8 on, trailing zeros removed), without
// the cost of a general correctly rounded conversion for every number.
//
// It lives with the feedback, its first user in the layers: the overheating
// rows that the second pass reads are kept as the printed numbers
// (printed_value), as when they went through a file. The programs write every
// table with it.
#pragma once

namespace primrec {

// Every number of a table takes this many characters: "%.8g" never needs more.
constexpr int table_field_width = 20;

// Writes value as "%.8g" would, at most 15 characters; returns the end.
char* format_g8(char* out, double value);

// The value a reader of the printed number gets back ("%.8g", then "%lg").
double printed_value(double value);

// One "%-20.8g" field, exactly table_field_width characters, into `out`; returns its end.
char* format_table_field(char* out, double value);

// One table line, two "%-20.8g" fields and a line end, into `line`; returns its end.
char* format_table_line(char* line, double first, double second);
constexpr int table_line_length = 2 * table_field_width + 1;

}  // namespace primrec
