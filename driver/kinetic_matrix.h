// Kinetic matrices and the implicit abundance update.
// matrix[i][j] is the rate per particle [s^-1] at which the component with index i
// turns into the one with index j, at the current step; matrix_ the same at the
// previous step. The update is the weighted implicit (trapezoidal) rule in ln(1+z).
#pragma once

constexpr int number_of_components = 5;

extern double matrix[number_of_components][number_of_components];   // at z [s^-1]
extern double matrix_[number_of_components][number_of_components];  // at z_ [s^-1]

extern const double ww;  // weight of the current-step balance (0.5: trapezoidal)
extern double ww_;       // weight of the previous-step balance, 1 - ww
