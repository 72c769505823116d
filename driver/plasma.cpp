// Plasma components and their output tables: construction (which creates the
// tables), reset at the start of a pass, the electron sum, and the output lines.
// The six objects themselves are defined with the other static objects of the
// run, in the order their construction must follow.
#include "driver/plasma.h"

#include <cmath>
#include <cstring>

#include "atomic/matter_temperature.h"
#include "driver/stepping.h"
#include "driver/table_format.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {


FILE* create_table(const char* file_name) {
  FILE* file = std::fopen(file_name, "w");
  if (file == nullptr) std::printf("error of creation of file %s\n", file_name);
  return file;
}

void close_table(FILE* file) {
  if (file != nullptr) std::fclose(file);
}

// A table that could not be created was reported when it failed and has nothing
// to flush; one whose stream took an error is reported here.
bool table_write_failed(FILE* file, const char* file_name) {
  if (file == nullptr) return false;
  if (std::fflush(file) == 0 && !std::ferror(file)) return false;
  std::printf("error of writing file %s\n", file_name);
  return true;
}

}  // namespace

comp_of_plasm::comp_of_plasm(int index_, double start, double charge_, const char* file_name_)
    : x(start),
      x_(start),
      xi(xi_armed),
      x_begin(start),
      index(index_),
      N(N0_nuclear * (1 + z) * (1 + z) * (1 + z) * start),
      charge(charge_),
      file(create_table(file_name_)),
      self(this),
      prev(nullptr),
      next(nullptr),
      file_name(file_name_) {}

comp_of_plasm::~comp_of_plasm() { close_table(file); }

void comp_of_plasm::Init_plasm_comp(double start) {
  x_begin = start;
  x = start;
  x_ = start;
  xi = xi_armed;
  N = N0_nuclear * std::pow(1 + z, 3) * start;
}

electrons::electrons(const char* file_name_)
    : x(1.0), x_(0.0), N(N0_e * std::pow(1 + z, 3)), file(create_table(file_name_)), file_name(file_name_) {}

electrons::~electrons() { close_table(file); }

output_table::output_table(const char* file_name_) : file(create_table(file_name_)), file_name(file_name_) {}

output_table::~output_table() { close_table(file); }

void electrons::abundance(comp_of_plasm* first) {
  double free_electrons = 0.0;
  for (comp_of_plasm* c = first; c != nullptr; c = c->next) free_electrons += c->charge * c->x;
  x = delta_el * free_electrons;
}

void Set_pointers() {
  HydI.self = &HydI;
  HydII.self = &HydII;
  HeI.self = &HeI;
  HeII.self = &HeII;
  HeIII.self = &HeIII;
  HydI.prev = nullptr;
  HydII.prev = &HydI;
  HeI.prev = &HydII;
  HeII.prev = &HeI;
  HeIII.prev = &HeII;
  HydI.next = &HydII;
  HydII.next = &HeI;
  HeI.next = &HeII;
  HeII.next = &HeIII;
  HeIII.next = nullptr;
}

void abundances(comp_of_plasm* first) {
  for (comp_of_plasm* c = first; c != nullptr; c = c->next) c->abundance(first);
  El.abundance(first);
}

namespace {

// One "%-20.8g" field: the number, then blanks to the width.
char* put_field(char* out, double value) {
  char* const end = out + table_field_width;
  char* const written = format_g8(out, value);
  std::memset(written, ' ', static_cast<size_t>(end - written));
  return end;
}

}  // namespace

void write_table_line(FILE* file, double first, double second) {
  if (file == nullptr) return;
  char line[2 * table_field_width + 1];
  put_field(put_field(line, first), second)[0] = '\n';
  std::fwrite(line, 1, sizeof line, file);
}

// The electron column is printed relative to hydrogen, times the Lorentzian
// perturbation factor 1 + A / (u^2 + 1); the kinetics never see that factor.
double printed_electron_fraction() {
  const double u = (z - z_perturbation) / Delta_z_perturbation;
  const double f = A_perturbation_H / (u * u + 1);
  return (f + 1) * ((El.x * N0_e) / N0_H);
}

void streams_out_data(int step_number) {
  if (step_number % number_of_info_points != 0) return;
  write_table_line(El.file, z, printed_electron_fraction());
  for (comp_of_plasm* c = first_comp; c != nullptr; c = c->next) write_table_line(c->file, z, c->x);
  write_table_line(T_matter_table.file, z, T_matter_var);
}

// Walks the objects themselves, not the list: a run stopped by its input never
// links the list.
int tables_write_failed() {
  comp_of_plasm* const components[] = {&HydI, &HydII, &HeI, &HeII, &HeIII};
  int failed = 0;
  for (comp_of_plasm* c : components)
    if (table_write_failed(c->file, c->file_name)) ++failed;
  if (table_write_failed(El.file, El.file_name)) ++failed;
  if (table_write_failed(T_matter_table.file, T_matter_table.file_name)) ++failed;
  return failed;
}
