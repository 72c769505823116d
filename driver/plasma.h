// The plasma: five components (HydI, HydII, HeI, HeII, HeIII) and the free
// electrons El, each with its abundance now and at the previous step and its own
// output table. Abundances of components are relative to all nuclei,
// N0_nuclear (1+z)^3; the electrons' is relative to the fully ionised plasma,
// N0_e (1+z)^3. The components form a list walked from first_comp in the order
// HydI -> HydII -> HeI -> HeII -> HeIII, which fixes the order of every sweep.
#pragma once

#include <cstdio>

// Every step arms the previous-inner-iteration values with this: no abundance
// exceeds 1, so the first convergence test of a step always fails.
constexpr double xi_armed = 1e8;

class comp_of_plasm {
 public:
  double x;        // abundance at the current step
  double x_;       // abundance at the previous redshift step
  double xi;       // abundance at the previous inner iteration (1e8 when a step begins)
  double x_begin;  // start value, at z_begin
  int index;       // row and column in the kinetic matrices, 0..4
  double N;        // number density at the start value [cm^-3]; informational
  double charge;   // free electrons per particle: 0, 1 or 2
  FILE* file;      // the output table, or null when it could not be created
  comp_of_plasm* self;
  comp_of_plasm* prev;
  comp_of_plasm* next;     // next component in the list, or null at the end
  const char* file_name;   // name of the output table, for messages

  comp_of_plasm(int index, double start, double charge, const char* file_name);
  ~comp_of_plasm();
  comp_of_plasm(const comp_of_plasm&) = delete;
  comp_of_plasm& operator=(const comp_of_plasm&) = delete;

  // Resets the component to a new start value at the current z.
  void Init_plasm_comp(double start);
  // Implicit update of x over one step, summing over the list from `first`.
  void abundance(comp_of_plasm* first);
};

class electrons {
 public:
  double x;    // electron abundance now: 1 means fully ionised
  double x_;   // at the previous redshift step
  double N;    // N0_e (1+z)^3 at construction [cm^-3]; informational
  FILE* file;  // "el.dat", or null when it could not be created
  const char* file_name;

  explicit electrons(const char* file_name);
  ~electrons();
  electrons(const electrons&) = delete;
  electrons& operator=(const electrons&) = delete;

  // x = delta_el * sum of charge * x over the list from `first`, in list order.
  void abundance(comp_of_plasm* first);
};

// A table of its own that is not a species: the matter temperature.
class output_table {
 public:
  FILE* file;  // or null when it could not be created
  const char* file_name;

  explicit output_table(const char* file_name);
  ~output_table();
  output_table(const output_table&) = delete;
  output_table& operator=(const output_table&) = delete;
};

extern comp_of_plasm HydI;   // neutral hydrogen
extern comp_of_plasm HydII;  // ionised hydrogen
extern comp_of_plasm HeI;    // neutral helium
extern comp_of_plasm HeII;   // singly ionised helium
extern comp_of_plasm HeIII;  // doubly ionised helium
extern electrons El;         // free electrons, not in the list
extern output_table T_matter_table;  // "T_matter.dat": z and the matter temperature [K]
extern comp_of_plasm* const first_comp;  // head of the component list: HydI

// Links the five components into their list.
void Set_pointers();

// One Gauss-Seidel sweep: every component in list order, then the electrons.
void abundances(comp_of_plasm* first);

// The second column of "el.dat" at the current step: free electrons per hydrogen
// nucleus times the perturbation factor of fudge_factors.in.
double printed_electron_fraction();

// One line of every table when step_number is a multiple of the output stride.
void streams_out_data(int step_number);

// Every number of a table takes this many characters: "%.8g" never needs more.
constexpr int table_field_width = 20;

// One table line: two "%-20.8g" fields and a line end. Nothing for a null stream.
void write_table_line(FILE* file, double first, double second);

// Flushes the seven tables; for each whose stream reports an error, writes
// "error of writing file <name>\n". Returns the number of such tables.
int tables_write_failed();
