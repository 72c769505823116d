// Reading the two-column tables of a finished run.
#include "shell/summary_tables.h"

#include <cmath>
#include <cstdlib>
#include <fstream>

double value_at(const std::vector<table_row>& table, double z) {
  for (size_t k = 0; k + 1 < table.size(); ++k) {
    const table_row &a = table[k], &b = table[k + 1];
    if ((z - a.z) * (z - b.z) <= 0) return a.value + (z - a.z) * (b.value - a.value) / (b.z - a.z);
  }
  return std::nan("");
}

bool read_two_column_table(const std::string& file_name, std::vector<table_row>& rows, std::string& reason) {
  std::ifstream in(file_name, std::ios::binary);
  if (!in) {
    reason = "cannot be opened";
    return false;
  }
  rows.clear();
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    char* end = nullptr;
    const double z = std::strtod(line.c_str(), &end);
    const char* rest = end;
    const double value = std::strtod(rest, &end);
    while (*end == ' ' || *end == '\t' || *end == '\r') ++end;
    if (rest == line.c_str() || end == rest || *end != '\0' || !std::isfinite(z) || !std::isfinite(value)) {
      reason = "line " + std::to_string(number) + " is not two finite numbers";
      return false;
    }
    if (!rows.empty() && z == rows.back().z) {
      reason = "line " + std::to_string(number) + " repeats the redshift of the line before";
      return false;
    }
    rows.push_back({z, value});
  }
  if (rows.size() < 3) {
    reason = "has fewer than three lines";
    return false;
  }
  return true;
}
