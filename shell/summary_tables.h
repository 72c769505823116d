// The tables of a finished run as primrec-summary reads them.
#pragma once

#include <string>
#include <vector>

struct table_row {
  double z;      // redshift
  double value;  // the table's second column
};

// Reads a table of two numbers a line with distinct redshifts; false with a
// reason when the file cannot be read or a line is not two finite numbers.
bool read_two_column_table(const std::string& file_name, std::vector<table_row>& rows, std::string& reason);

// A table's second column at z by linear interpolation between its rows; nan
// outside them.
double value_at(const std::vector<table_row>& table, double z);
