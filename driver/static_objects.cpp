// The objects with static storage whose construction is part of the run: in one
// translation unit, so that they are built in this order before main and destroyed
// in the reverse order after it (ln_HydRO first, then the tables from
// T_matter.dat back to HydI.dat).
#include <cmath>

#include "driver/kinetic_matrix.h"
#include "driver/plasma.h"
#include "driver/run_sequence.h"
#include "input/constants.h"
#include "input/table_fun.h"

namespace {

// pi^2 as a stored constant.
constexpr double pi_squared = 9.869604401090658;

double stefan_boltzmann_reference() {
  return ((pi_squared * std::pow(kB_reference, 4)) / 60 / c_reference / c_reference) /
         std::pow(h_reference, 3);
}

}  // namespace

double a_St_B_stand = stefan_boltzmann_reference();
double ww_ = 1 - ww;

comp_of_plasm HydI(0, 0.0, 0.0, "HydI.dat");
comp_of_plasm HydII(1, 1.0, 1.0, "HydII.dat");
comp_of_plasm HeI(2, 0.0, 0.0, "HeI.dat");
comp_of_plasm HeII(3, 0.0, 1.0, "HeII.dat");
comp_of_plasm HeIII(4, 0.0, 2.0, "HeIII.dat");
electrons El("el.dat");
output_table T_matter_table("T_matter.dat");

table_fun ln_HydRO;

comp_of_plasm* const first_comp = &HydI;
