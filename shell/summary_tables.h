// The tables of a finished run as primrec-summary reads them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct table_row {
  double z;      // redshift
  double value;  // the table's second column
};

// Reads a table as the program writes it: every line two finite numbers, each
// left-aligned in 20 characters, and a line end (41 bytes); the redshifts
// falling from line to line; at least three lines. False with a reason ("line
// 7 ...", or why the file cannot be used) otherwise.
bool read_two_column_table(const std::string& file_name, std::vector<table_row>& rows, std::string& reason);

// The first line (from 1) at which two tables differ in redshift or one of them
// has ended; 0 if their redshift columns are the same.
std::size_t first_redshift_difference(const std::vector<table_row>& a, const std::vector<table_row>& b);

// A table's second column at z by linear interpolation between its rows; nan
// outside them.
double value_at(const std::vector<table_row>& table, double z);
