// Redshift stepping and the convergence loop of each step.
//
// A pass: start state at z_begin -> overheating table opened (pass 0) or read
// back (later passes) -> matrices zeroed -> steps down to z_end. A step: set z
// and z_, arm the convergence test, set the feedback correction, then iterate
// rates -> matrix -> sweep -> electrons -> temperature until the abundances stop
// changing; write the tables (last pass), save the step, and in pass 0 append
// the overheating row.
#include "driver/stepping.h"

#include <cmath>
#include <cstdio>

#include "atomic/matter_temperature.h"
#include "atomic/reaction_rates.h"
#include "driver/kinetic_matrix.h"
#include "driver/plasma.h"
#include "input/constants.h"
#include "input/input_files.h"
#include "transfer/feedback.h"

double z = 0.0;
double z_ = 0.0;
double ln_1_plus_z = 0.0;

namespace {

// From this redshift on helium starts doubly ionised, below it singly.
constexpr double z_helium_doubly_ionised = 6090;

#ifdef PRIMREC_BENCH_COUNTERS
constexpr bool count_work = true;
#else
constexpr bool count_work = false;
#endif
long long steps_done = 0;
long long inner_iterations_done = 0;

const char* const overheat_file_name = "Hyd_Rad_Overheat.dat";
bool overheat_write_failed = false;

void Init_matrix() {
  for (int i = 0; i < number_of_components; ++i)
    for (int j = 0; j < number_of_components; ++j) {
      matrix[i][j] = 0.0;
      matrix_[i][j] = 0.0;
    }
}

void Set_redshifts(double ln1pz) {
  z = std::exp(ln1pz) - 1;
  z_ = std::exp(ln1pz - D_ln_1_plus_z) - 1;
}

void set_xi() {
  for (comp_of_plasm* c = first_comp; c != nullptr; c = c->next) c->xi = xi_armed;
}

// Summed relative change of the abundances since the previous inner iteration;
// a component at exactly 0 has no relative change and is left out.
double norm() {
  double sum = 0.0;
  for (comp_of_plasm* c = first_comp; c != nullptr; c = c->next)
    if (c->x != 0.0) sum += std::fabs((c->x - c->xi) / c->x);
  return sum;
}

void save_iter() {
  for (comp_of_plasm* c = first_comp; c != nullptr; c = c->next) c->xi = c->x;
}

void save_step(int& step_number) {
  for (comp_of_plasm* c = first_comp; c != nullptr; c = c->next) c->x_ = c->x;
  ++step_number;
  El.x_ = El.x;
  epsT0_ = epsT0;
  T_matter_var_ = T_matter_var;
}

void Save_Inhibition_Coefficients() {
  CHeIII_ = CHeIII;
  CHeII_ = CHeII;
  CHeII_orto_ = CHeII_orto;
  CHydII_ = CHydII;
}

// What depends on z and z_ alone (or on the values the previous step ended
// with) is the same in every inner iteration: the first iteration of a step
// computes it, the others reuse it. These are the rates, the matrix and the
// temperature of the step split in two, with the same values.
void Init_step() {
  Init_step_reaction_rates();
  Init_step_matrix();
  Init_step_weights();
  Init_step_matter_temperature(z);
}

// Rates, matrices, one sweep and the temperature, until the sweep no longer
// changes the abundances by more than norm_var.
void converge_step() {
  int iterations = 0;
  while (norm() > norm_var) {
    if (iterations == max_inner_iterations) {
      std::printf("inner iteration did not converge at z = %.8g\n", z);
      break;
    }
    if (iterations == 0) Init_step();
    Init_iteration_reaction_rates();  // with Init_step: Init_reaction_rates
    compute_current_matrix();         // with Init_step: compute_matrix
    save_iter();
    abundances(first_comp);
    T_matter_var = T_matter_of_step();  // with Init_step: T_matter(z)
    ++iterations;
  }
  if (count_work) inner_iterations_done += iterations;
}

// A step whose physics broke down (an abundance, the electrons or the
// temperature not a finite number) must not be written as if it had not; nor
// may an electron column that the perturbation factor (its amplitude is not
// checked) makes infinite.
bool step_result_finite() {
  for (comp_of_plasm* c = first_comp; c != nullptr; c = c->next)
    if (!std::isfinite(c->x)) return false;
  return std::isfinite(El.x) && std::isfinite(T_matter_var) && std::isfinite(printed_electron_fraction());
}

FILE* create_overheat_table() {
  FILE* file = std::fopen(overheat_file_name, "w");
  if (file == nullptr) {
    std::printf("error of creation of %s\n", overheat_file_name);
  }
  return file;
}

void close_overheat_table(FILE* file) {
  if (file == nullptr) return;
  const bool failed = std::ferror(file) != 0;
  if (std::fclose(file) != 0 || failed) {
    std::printf("error of writing file %s\n", overheat_file_name);
    overheat_write_failed = true;
  }
}

}  // namespace

void report_work_counters() {
  if (count_work)
    std::fprintf(stderr, "primrec work: steps=%lld inner_iterations=%lld\n", steps_done, inner_iterations_done);
}

bool overheat_table_write_failed() { return overheat_write_failed; }

// Every pass starts from the same state, the one at program load for the
// electrons and the inhibition coefficients: carried over from z_end, they would
// give the first step a recombination term without its ionisation partner.
int Set_Initial_Conditions(double z_start) {
  const bool helium_singly_ionised = z_start < z_helium_doubly_ionised;
  HeIII.Init_plasm_comp(helium_singly_ionised ? 0.0 : Y_N);
  HeII.Init_plasm_comp(helium_singly_ionised ? Y_N : 0.0);
  HydII.Init_plasm_comp(X_N);
  HeI.Init_plasm_comp(0.0);
  HydI.Init_plasm_comp(0.0);
  epsT0 = epsT0_ = 0.0;
  T_matter_var = T_matter_var_ = T0 * (1 + z_start);
  El.x = 1.0;
  El.x_ = 0.0;
  CHeIII = CHeII = CHeII_orto = CHydII = 1.0;
  CHeIII_ = CHeII_ = CHeII_orto_ = CHydII_ = 1.0;
  return 0;
}

int Iteration_of_Process(int iteration_number, int number_of_iterations) {
  z = z_begin;
  Set_Initial_Conditions(z_begin);
  FILE* overheat_file = nullptr;
  if (iteration_number == 0) {
    overheat_file = create_overheat_table();
  } else {
    Init_HydRO();
  }
  Init_matrix();

  int step_number = 0;
  for (ln_1_plus_z = std::log(z_begin + 1) + D_ln_1_plus_z; ln_1_plus_z >= std::log(z_end + 1);
       ln_1_plus_z = ln_1_plus_z + D_ln_1_plus_z) {
    Set_redshifts(ln_1_plus_z);
    set_xi();
    Init_Additional_Kinetic_Coefficients(iteration_number);
    converge_step();
    if (count_work) ++steps_done;
    if (!step_result_finite()) {
      std::printf("non-finite result at z = %.8g\n", z);
      if (iteration_number == 0) close_overheat_table(overheat_file);
      return 1;
    }
    if (iteration_number == number_of_iterations - 1) streams_out_data(step_number);
    save_step(step_number);
    Save_Inhibition_Coefficients();
    if (iteration_number == 0 && overheat_file != nullptr) Out_of_Hydrogen_radiation_overheating_ln(overheat_file);
  }

  if (iteration_number == 0) close_overheat_table(overheat_file);
  return 0;
}
