// The start-up sequence of a run and its outer passes.
#include "driver/run_sequence.h"

#include <cmath>

#include "atomic/atomic_data.h"
#include "driver/plasma.h"
#include "driver/stepping.h"
#include "input/constants.h"
#include "input/input_files.h"

namespace {

// The two-photon rate 2s -> 1s of hydrogen for laboratory constants [s^-1].
constexpr double A_2s1s_hydrogen_laboratory = 8.22458;

// Readers in their fixed order, the constants after the four that feed them;
// the first failure ends the run (its reader has printed why).
bool read_inputs() {
  if (init_redshift_range() != 0) return false;
  if (init_fine_effects() != 0) return false;
  if (init_fund_const() != 0) return false;
  if (init_fudge_factors() != 0) return false;
  init_general_assist_const();
  if (init_cosmological_const() != 0) return false;
  return true;
}

// A pass whose physics broke down ends the run.
bool run_outer_passes() {
  for (int iteration_number = 0; iteration_number <= Number_of_Iterations - 1; ++iteration_number)
    if (Iteration_of_Process(iteration_number, Number_of_Iterations) != 0) return false;
  return true;
}

}  // namespace

// Hydrogen-like scaling with nuclear charge 2: energies x4, two-photon rate x2^6.
void derive_HeII_quantities() {
  I2s_HeII = I;
  I1_HeII = 4 * I;
  A_2s1sHeII = std::pow(2, 6) * A_2s1s_hydrogen_laboratory * V_two_photon;
  lambd_aHeII = (pi + pi) * h * c / (I1_HeII - I2s_HeII);
}

void derive_hydrogen_quantities() {
  I2s_HydI = 0.25 * I;
  I1_HydI = I;
  lambd_aHydI = (pi + pi) * h * c / (I1_HydI - I2s_HydI);
  A_2s1sHydI = A_2s1s_hydrogen_laboratory * V_two_photon;
}

// A failed input, a step whose result is not a finite number, or a table that
// could not be written in full, is a failure: neither nan nor a full disk may
// look like success. A table that could not be created is
// reported when the program starts; the run completes without it.
int run_primrec() {
  int status = exit_success;
  if (read_inputs()) {
    derive_HeII_quantities();
    HeI_atomic_data();
    derive_hydrogen_quantities();
    Set_pointers();
    if (!run_outer_passes()) status = exit_failure;
    report_work_counters();
  } else {
    status = exit_failure;
  }
  if (tables_write_failed() != 0) status = exit_failure;
  if (overheat_table_write_failed()) status = exit_failure;
  return status;
}
