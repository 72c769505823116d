// Reading the two-column tables of a finished run.
#include "shell/summary_tables.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "transfer/printed_numbers.h"

namespace {

// The number left-aligned in the field of `line` from `begin`: characters a
// printed number may have, then blanks to the end of the field.
bool read_field(const std::string& line, std::size_t begin, double& value) {
  const std::string field = line.substr(begin, primrec::table_field_width);
  const std::size_t digits = field.find_first_not_of("0123456789+-.eE");
  if (digits == 0 || field.find_first_not_of(' ', digits) != std::string::npos) return false;
  char* end = nullptr;
  value = std::strtod(field.c_str(), &end);
  return end == field.c_str() + (digits == std::string::npos ? field.size() : digits) && std::isfinite(value);
}

}  // namespace

double value_at(const std::vector<table_row>& table, double z) {
  for (std::size_t k = 0; k + 1 < table.size(); ++k) {
    const table_row &a = table[k], &b = table[k + 1];
    if ((z - a.z) * (z - b.z) <= 0) return a.value + (z - a.z) * (b.value - a.value) / (b.z - a.z);
  }
  return std::nan("");
}

std::size_t first_redshift_difference(const std::vector<table_row>& a, const std::vector<table_row>& b) {
  for (std::size_t k = 0; k < a.size() || k < b.size(); ++k)
    if (k == a.size() || k == b.size() || a[k].z != b[k].z) return k + 1;
  return 0;
}

bool read_two_column_table(const std::string& file_name, std::vector<table_row>& rows, std::string& reason) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) {
    reason = "cannot be opened";
    return false;
  }
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    reason = "cannot be read";
    return false;
  }
  rows.clear();
  const std::size_t width = primrec::table_line_length - 1;  // without the line end
  std::size_t begin = 0;
  for (int number = 1; begin < text.size(); ++number, ++begin) {
    const std::size_t end = text.find('\n', begin);
    const std::string at = "line " + std::to_string(number);
    if (end == std::string::npos) {
      reason = at + " is cut short: it has no line end";
      return false;
    }
    const std::string line = text.substr(begin, end - begin);
    begin = end;
    if (line.size() != width) {
      reason = at + " has " + std::to_string(line.size()) + " characters, not the table's " + std::to_string(width) +
               " (two numbers of " + std::to_string(primrec::table_field_width) + ") and a line end";
      return false;
    }
    table_row row;
    if (!read_field(line, 0, row.z) || !read_field(line, primrec::table_field_width, row.value)) {
      reason = at + " is not two finite numbers";
      return false;
    }
    if (!rows.empty() && !(row.z < rows.back().z)) {
      reason = at + " does not go down in redshift from the line before";
      return false;
    }
    rows.push_back(row);
  }
  if (rows.size() < 3) {
    reason = "has fewer than three lines";
    return false;
  }
  return true;
}
