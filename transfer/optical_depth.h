// Thomson optical depth and visibility of a recombination history.
//
// From the free-electron fraction x_e(z) of "el.dat": the optical depth from
// today, tau(z) = integral of n_e sigma_T c dz / ((1+z) H(z)) with
// n_e = x_e N0_H (1+z)^3, the visibility g = (dtau/dz) e^-tau, the redshift of
// last scattering z_* (tau = 1), the peak of g and its width. The constants,
// densities and expansion rate are the program's own (set them first).
#pragma once

#include <string>
#include <vector>

struct table_row {
  double z;      // redshift
  double value;  // the table's second column
};

struct visibility_point {
  double z;    // redshift, ascending
  double tau;  // optical depth from today
  double g;    // visibility dtau/dz e^-tau
};

struct last_scattering {
  std::vector<visibility_point> points;  // at the rows of the table
  double continued_below = 0;            // > 0: the table ended there and x_e was held down to 0
  double z_star = 0;                     // tau(z_*) = 1; nan if tau stays below 1
  double z_peak = 0;                     // maximum of g
  double peak_full_width = 0;            // full width of g at half its maximum
};

// dtau/dz for a free-electron fraction x_e at z.
double thomson_depth_per_redshift(double z, double x_e);

// The optical depth and visibility at the rows of el.dat (any order of rows).
last_scattering optical_depth(const std::vector<table_row>& electrons);

// A table's second column at z by linear interpolation between its rows; nan
// outside them.
double value_at(const std::vector<table_row>& table, double z);

// Reads a table of two numbers a line with distinct redshifts; false with a
// reason when the file cannot be read or a line is not two finite numbers.
bool read_two_column_table(const std::string& file_name, std::vector<table_row>& rows, std::string& reason);
