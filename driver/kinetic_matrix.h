// Kinetic matrices and the implicit abundance update.
// matrix[i][j] is the rate per particle [s^-1] at which the component with index i
// turns into the one with index j, at the current step; matrix_ the same at the
// previous step. Each stage's recombination and ionisation are multiplied by its
// inhibition coefficient: the probability that an atom excited to n = 2 reaches
// the ground state (by line escape or two-photon decay) before it is ionised again.
// compute_matrix() runs once per inner iteration, then comp_of_plasm::abundance()
// once per component in list order: a Gauss-Seidel sweep of the weighted implicit
// (trapezoidal) rule in ln(1+z).
#pragma once

constexpr int number_of_components = 5;

extern double matrix[number_of_components][number_of_components];   // at z [s^-1]
extern double matrix_[number_of_components][number_of_components];  // at z_ [s^-1]

extern const double ww;  // weight of the current-step balance (0.5: trapezoidal)
extern double ww_;       // weight of the previous-step balance, 1 - ww
extern double weight_now;       // ww / H(z) of the step [s]
extern double weight_previous;  // ww_ / H(z_) of the step [s]

// The two weights of the implicit update for the step's z and z_.
void Init_step_weights();

extern double CHeIII, CHeIII_;          // inhibition of HeIII <-> HeII, now and at the previous step
extern double CHeII, CHeII_;            // of HeII <-> HeI through the singlets
extern double CHeII_orto, CHeII_orto_;  // of HeII <-> HeI through the triplets
extern double CHydII, CHydII_;          // of HydII <-> HydI

// Inhibition coefficients at z and the six entries of both matrices. The
// argument (the outer pass) has no effect. It is the two parts below.
void compute_matrix(int iteration_number);

// What is fixed for the step (z and z_ alone, and matrix_), after the step's rates.
void Init_step_matrix();
// The inhibition coefficients and matrix, from the abundances of the moment.
void compute_current_matrix();
