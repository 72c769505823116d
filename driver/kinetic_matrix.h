// Kinetic matrices: matrix[i][j] is the rate per particle [s^-1] at which the
// component with index i turns into the one with index j, at the current step;
// matrix_ the same at the previous step. Each stage's recombination and
// ionisation carry its inhibition factor (transfer/inhibition.h).
// Init_step_matrix once per step, compute_current_matrix once per inner
// iteration; driver/abundance_update.h then advances the abundances.
#pragma once

#include "atomic/physics.h"
#include "atomic/reaction_rates.h"
#include "driver/plasma.h"
#include "transfer/inhibition.h"

namespace primrec {

constexpr double ww = 0.5;       // weight of the current-step balance (0.5: trapezoidal)
constexpr double ww_ = 1 - ww;   // weight of the previous-step balance

// The current step's conditions and gap factors, set by Init_step_matrix.
struct MatrixConditions {
  double T_r, n_e;  // radiation temperature [K], electron density if fully ionised [cm^-3]
  // Boltzmann factors that turn rates out of the 2s levels into rates from the
  // ground state (I2s - I1 < 0 is minus the excitation energy of 2s).
  double boltzmann_HeII, boltzmann_HeI, boltzmann_orto_HeI, boltzmann_HydI;
};

struct KineticMatrix {
  double matrix[number_of_components][number_of_components];   // at z [s^-1]
  double matrix_[number_of_components][number_of_components];  // at z_ [s^-1]
  double weight_now;       // ww / H(z) of the step [s]
  double weight_previous;  // ww_ / H(z_) of the step [s]

  double CHeIII = 1.0, CHeIII_ = 1.0;          // inhibition of HeIII <-> HeII, now and at the previous step
  double CHeII = 1.0, CHeII_ = 1.0;            // of HeII <-> HeI through the singlets
  double CHeII_orto = 1.0, CHeII_orto_ = 1.0;  // of HeII <-> HeI through the triplets
  double CHydII = 1.0, CHydII_ = 1.0;          // of HydII <-> HydI

  // Fixed for a step by Init_step_matrix.
  MatrixConditions conditions;
  InhibitionLines lines;
};

// Zeroes all 25 entries of both matrices.
void Init_matrix(KineticMatrix& km);

// The two weights of the implicit update for the step's z and z_.
void Init_step_weights(KineticMatrix& km, Physics& ph, double z, double z_);

// What is fixed for the step (z and z_ alone, and matrix_), after the step's rates.
void Init_step_matrix(KineticMatrix& km, Physics& ph, const Plasma& plasma, const ReactionRates& r, double z,
                      double z_);
// The inhibition factors and matrix, from the abundances of the moment.
void compute_current_matrix(KineticMatrix& km, Physics& ph, const Plasma& plasma, const ReactionRates& r);

// The factors of the step just computed become the previous step's.
void Save_Inhibition_Coefficients(KineticMatrix& km);

}  // namespace primrec
