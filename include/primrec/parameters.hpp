// primrec: the parameters of a recombination history, declared once.
//
// PRIMREC_PARAMETER_TABLE is the one list of the parameters. The struct
// Parameters below, the readers of the five input files and their checks,
// `primrec --check`, the C interface's copy, the Python keywords and their
// docstrings and tools/scan all take what they need from it. Each row:
//
//   name      the field's name in C++, C, Python and Fortran
//   type      its type in the library
//   scan      how its file writes it: real ("%lg") or integer ("%d")
//   file      the input file that holds it
//   place     its place among that file's values (0 first)
//   label     its name in that file, as `primrec --check` prints it
//   unit      as `primrec --check` prints it ("" for a pure number)
//   value     the default: the values of examples/default/ (a Planck-2018-like universe)
//   initial   the value before any file is read (what a missing value keeps)
//   rule      the check of the value: positive (finite and > 0), at_least_one
//             (>= 1), any_number (not NaN), non_negative (finite and >= 0); a
//             value its file holds as an integer must moreover be > 0 there;
//             the values of redshifts.in are checked together with the ties
//             between them (z_end < z_begin, ...), each by its rule
//   allowed   the allowed values in words
//   meaning   what the value is
//
// The rows keep the order of the C struct primrec_parameters: a new parameter
// is a new row at the end (and a field at the end of that struct), whatever
// its file and place. tools/scan reads this table as text: the first six
// columns of a row stand on its first line, their strings without quotes or
// commas.
//
// Every value is in the units of the input files (H0 in km s^-1 Mpc^-1, the
// step as its absolute value, CGS constants).
#pragma once

// X(name, type, scan, file, place, label, unit, value, initial, rule, allowed, meaning)
#define PRIMREC_PARAMETER_TABLE(X)                                                                                     \
  X(z_begin, double, real, "redshifts.in", 0, "z_begin", "", 8000, 0, positive,                                        \
    "3000 <= z_begin <= 5000 (helium starts singly ionised) or z_begin >= 7000 (doubly ionised)",                      \
    "redshift where the integration starts")                                                                           \
  X(z_end, double, real, "redshifts.in", 1, "z_end", "", 1, 0, positive,                                               \
    "0 < z_end < z_begin", "redshift where it ends")                                                                   \
  X(step, double, real, "redshifts.in", 2, "step", "in ln(1+z)", 1e-3, 0, positive,                                    \
    "> 0, large enough to move ln(1+z_begin), at most ln(1+z_begin) - ln(1+z_end)",                                    \
    "step in ln(1+z), its absolute value")                                                                             \
  X(convergence_norm, double, real, "redshifts.in", 3, "norm", "", 1e-8, 0, positive,                                  \
    "> 0", "convergence threshold of the iteration within a step: the summed relative change of the abundances")       \
  X(output_stride, int, integer, "redshifts.in", 4, "number_of_info_points", "steps", 1, 1, at_least_one,              \
    "integer >= 1", "a table row every this many steps")                                                               \
  X(feedback_levels, int, integer, "fine_effects.in", 0, "Number_of_levels_for_Resonant_Feedback",                     \
    "", 10, 0, at_least_one,                                                                                           \
    "integer from 1 to 20000",                                                                                         \
    "hydrogen levels whose Lyman lines feed back on the one below (1: no feedback, one pass)")                         \
  X(G, double, real, "fund.in", 0, "G", "cm^3 g^-1 s^-2", 6.67428e-8, 0, positive,                                     \
    "> 0", "gravitational constant")                                                                                   \
  X(hbar, double, real, "fund.in", 1, "h", "erg s", 1.054571628e-27, 0, positive,                                      \
    "> 0", "the reduced Planck constant (h / 2 pi)")                                                                   \
  X(c, double, real, "fund.in", 2, "c", "cm s^-1", 29979245800.0, 0, positive,                                         \
    "> 0", "speed of light")                                                                                           \
  X(me, double, real, "fund.in", 3, "me", "g", 9.10938215e-28, 0, positive,                                            \
    "> 0", "electron mass")                                                                                            \
  X(mp, double, real, "fund.in", 4, "mp", "g", 1.672621637e-24, 0, positive,                                           \
    "> 0", "proton mass")                                                                                              \
  X(e, double, real, "fund.in", 5, "e", "esu", 4.80320427e-10, 0, positive,                                            \
    "> 0", "elementary charge")                                                                                        \
  X(kB, double, real, "fund.in", 6, "kB", "erg K^-1", 1.3806504e-16, 0, positive,                                      \
    "> 0", "Boltzmann constant")                                                                                       \
  X(F_H, double, real, "fudge_factors.in", 0, "F_H", "", 1.125, 1, positive,                                           \
    "> 0", "multiplies the hydrogen recombination and photoionisation coefficients")                                   \
  X(A_perturbation_H, double, real, "fudge_factors.in", 1, "A_perturbation_H", "", 0, 0, any_number,                   \
    "any number (0: none; negative: a dip)", "height A of the bump 1 + A / (1 + ((z - z_p)/dz)^2) on the el column")   \
  X(z_perturbation, double, real, "fudge_factors.in", 2, "z_perturbation", "", 1100, 0, positive,                      \
    "> 0", "centre z_p of the bump [redshift]")                                                                        \
  X(Delta_z_perturbation, double, real, "fudge_factors.in", 3, "Delta_z_perturbation", "", 100, 0, positive,           \
    "> 0", "half width dz of the bump [redshift]")                                                                     \
  X(H0, double, real, "cosm_p.in", 0, "H0", "km s^-1 Mpc^-1", 67.36, 0, positive,                                      \
    "> 0", "Hubble constant")                                                                                          \
  X(omega_m, double, real, "cosm_p.in", 1, "omega_m", "", 0.3153, 0, positive,                                         \
    "> 0", "matter density parameter (all matter)")                                                                    \
  X(omega_lambda, double, real, "cosm_p.in", 2, "omega_lambda", "", 0.6847, 0, positive,                               \
    "> 0", "cosmological-constant density parameter")                                                                  \
  X(N_eff, double, integer, "cosm_p.in", 3, "nu_number", "", 3, 0, non_negative,                                       \
    ">= 0 (in cosm_p.in an integer > 0)", "effective number of relativistic neutrino species")                         \
  X(omega_b, double, real, "cosm_p.in", 4, "omega_b", "", 0.0493, 0, positive,                                         \
    "> 0", "baryon density parameter")                                                                                 \
  X(X_M, double, real, "cosm_p.in", 5, "X_M", "", 0.7547, 0, positive,                                                 \
    "> 0", "hydrogen mass fraction of the baryons (helium is 1 - X_M)")                                                \
  X(T0, double, real, "cosm_p.in", 6, "T0", "K", 2.7255, 0, positive,                                                  \
    "> 0", "radiation temperature today")

namespace primrec {

// The most levels of the Lyman-series feedback (the allowed values of
// feedback_levels above say it too). Each level adds a term to the feedback
// sum at every step of the second pass; from about this many on, one more
// level no longer changes a printed digit of el.dat (x_e, the column other
// codes take), and the other tables only in their last digit.
constexpr int most_feedback_levels = 20000;

// One field per row of PRIMREC_PARAMETER_TABLE, in its order, each with its
// default. A new field changes the size of Parameters: the C interface
// (primrec.h), which carries the size of its structs, is the one whose binary
// interface survives it.
struct Parameters {
#define PRIMREC_PARAMETER_FIELD(name, type, scan, file, place, label, unit, value, initial, rule, allowed, \
                                meaning)                                                                  \
  type name = value;
  PRIMREC_PARAMETER_TABLE(PRIMREC_PARAMETER_FIELD)
#undef PRIMREC_PARAMETER_FIELD
};

// The values of examples/default/.
inline Parameters default_parameters() { return Parameters{}; }

}  // namespace primrec
