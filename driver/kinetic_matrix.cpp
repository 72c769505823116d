// Kinetic matrices and the implicit update of one component over one step.
#include "driver/kinetic_matrix.h"

#include "driver/plasma.h"
#include "driver/stepping.h"
#include "input/constants.h"
#include "input/input_files.h"

double matrix[number_of_components][number_of_components];
double matrix_[number_of_components][number_of_components];

const double ww = 0.5;

// dx_t/d ln(1+z) = -(1/H) (sum_o matrix[o][t] x_o - x_t sum_o matrix[t][o]), with
// the current-step balance weighted ww and the previous-step one ww_. Only this
// component's own x is implicit; the others enter with their latest values.
void comp_of_plasm::abundance(comp_of_plasm* first) {
  double S = 0.0;
  double L = 0.0;
  for (comp_of_plasm* o = first; o != nullptr; o = o->next) {
    S = (ww / H(z)) * matrix[o->index][index] * o->x + S;
    S = (matrix_[o->index][index] * o->x_ - matrix_[index][o->index] * x_) * (ww_ / H(z_)) + S;
    L = (ww / H(z)) * matrix[index][o->index] + L;
  }
  const double D = D_ln_1_plus_z;
  x = ((-1 / D) * x_ + S) / ((-1 / D) + L);
}
