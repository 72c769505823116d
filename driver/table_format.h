// The number format of the tables: printf's "%.8g" (eight significant digits,
// exponent form below 1e-4 and from 1e8 on, trailing zeros removed), without
// the cost of a general correctly rounded conversion for every number.
#pragma once

// Writes value as "%.8g" would, at most 15 characters; returns the end.
char* format_g8(char* out, double value);
