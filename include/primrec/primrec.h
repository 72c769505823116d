/* primrec: the recombination history of the primordial hydrogen-helium plasma,
 * as a C library.
 *
 * Lifecycle: fill a primrec_parameters (primrec_default_parameters, then
 * change fields, or primrec_read_parameters from a directory; either sets its
 * size field, which the library reads first), solve it into a
 * history handle with primrec_solve, read the columns, release the handle with
 * primrec_free (once: the handle is the caller's until then). Every function may be called from several threads at once on
 * different handles; the same parameters give the same bits in every thread.
 *
 *   primrec_parameters p;
 *   primrec_default_parameters(&p);
 *   primrec_history* h = primrec_solve(&p);
 *   if (primrec_status(h) != PRIMREC_OK) fputs(primrec_message(h), stderr);
 *   else for (size_t i = 0; i < primrec_rows(h); ++i) use(primrec_column(h, PRIMREC_X_E)[i]);
 *   primrec_free(h);
 */
#ifndef PRIMREC_H
#define PRIMREC_H

#include <stddef.h>

#include "primrec/export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The parameters of a history: the rows of PRIMREC_PARAMETER_TABLE in
 * primrec/parameters.hpp (name, file, unit, allowed values, meaning), in its
 * order, in the units of the input files. The library checks at compile time
 * that this struct spells that table out field by field.
 *
 * A plain struct rather than an opaque handle with setters, so that C and
 * Fortran (ISO_C_BINDING) callers set fields by name, checked by their
 * compiler, with nothing to allocate or free. It can still grow: its first
 * field is its size as the caller's header had it, set by
 * primrec_default_parameters (and primrec_read_parameters). New fields are
 * appended at its end; the library reads a smaller, older struct up to its
 * size and takes the defaults for the rest, and writes no byte beyond it. */
typedef struct primrec_parameters {
  size_t size;                /* sizeof(primrec_parameters) of the caller: leave as set */
  /* redshifts.in */
  double z_begin;             /* redshift where the integration starts (3000..5000 or >= 7000) */
  double z_end;               /* redshift where it ends; 0 < z_end < z_begin */
  double step;                /* step in ln(1+z), its absolute value */
  double convergence_norm;    /* convergence threshold of the iteration within a step (label norm) */
  int output_stride;          /* a row every this many steps (label number_of_info_points) */
  /* fine_effects.in */
  int feedback_levels;        /* hydrogen levels in the Lyman-series feedback, 1: none
                                 (label Number_of_levels_for_Resonant_Feedback) */
  /* fund.in (CGS) */
  double G;                   /* gravitational constant [cm^3 g^-1 s^-2] */
  double hbar;                /* reduced Planck constant h / 2 pi [erg s] (label h) */
  double c;                   /* speed of light [cm s^-1] */
  double me;                  /* electron mass [g] */
  double mp;                  /* proton mass [g] */
  double e;                   /* elementary charge [esu] */
  double kB;                  /* Boltzmann constant [erg K^-1] */
  /* fudge_factors.in */
  double F_H;                 /* fudge factor of hydrogen recombination and photoionisation */
  double A_perturbation_H;    /* height of a Lorentzian bump on the printed x_e (0: none) */
  double z_perturbation;      /* centre of the bump */
  double Delta_z_perturbation;/* half width of the bump */
  /* cosm_p.in */
  double H0;                  /* Hubble constant [km s^-1 Mpc^-1] */
  double omega_m;             /* matter density parameter */
  double omega_lambda;        /* cosmological-constant density parameter */
  double N_eff;               /* effective number of relativistic neutrino species, >= 0
                                 (label nu_number, an integer > 0 in the file) */
  double omega_b;             /* baryon density parameter */
  double X_M;                 /* hydrogen mass fraction of the baryons */
  double T0;                  /* radiation temperature today [K] */
} primrec_parameters;

enum primrec_status {
  PRIMREC_OK = 0,          /* the history is complete */
  PRIMREC_INPUT_ERROR = 1, /* a parameter failed its check (or a file its reading) */
  PRIMREC_BREAKDOWN = 2,   /* a step gave a non-finite or impossible result (the message
                              says which); the rows are those of the
                              last pass up to that step, without it (none when it broke
                              down in the first of two passes) */
  PRIMREC_CANCELLED = 3,   /* the cancel flag of primrec_options was set */
  PRIMREC_NO_MEMORY = 4,   /* memory ran out: the history or the reading could not be stored */
  PRIMREC_INTERNAL_ERROR = 5 /* a fault of the library itself; the message says what failed */
};
/* New statuses are appended; the values above never change. */

enum primrec_column {
  PRIMREC_Z = 0,     /* redshift */
  PRIMREC_HYDI,      /* neutral hydrogen per nucleus */
  PRIMREC_HYDII,     /* ionised hydrogen per nucleus */
  PRIMREC_HEI,       /* neutral helium per nucleus */
  PRIMREC_HEII,      /* singly ionised helium per nucleus */
  PRIMREC_HEIII,     /* doubly ionised helium per nucleus */
  PRIMREC_EL,        /* the electron column of el.dat (x_e times the perturbation bump) */
  PRIMREC_X_E,       /* free electrons per hydrogen nucleus, n_e / n_H */
  PRIMREC_T_M        /* matter temperature [K] */
};

typedef struct primrec_history primrec_history;

/* The values of examples/default/, and parameters->size. A macro, so that
 * the size is that of the caller's header; bindings from other languages call
 * primrec_init_parameters with the size of their mirror of the struct. */
#define primrec_default_parameters(parameters) primrec_init_parameters((parameters), sizeof(primrec_parameters))
PRIMREC_API void primrec_init_parameters(primrec_parameters* parameters, size_t struct_size);

/* Reads the five input files of `directory` with the program's checks.
 * Returns a primrec_status: PRIMREC_OK; PRIMREC_INPUT_ERROR, *parameters then
 * holding the values as read (a value not read keeps its initial value: 0,
 * but F_H 1 and output_stride 1); PRIMREC_NO_MEMORY, *parameters left
 * as it was; PRIMREC_INTERNAL_ERROR, with what failed in `messages`. `messages` (may be NULL) receives, NUL-terminated and cut to
 * `size` bytes, everything the program prints while reading, in order. A NULL
 * `directory` reads nothing: PRIMREC_INPUT_ERROR, "no directory was given\n".
 * NULL `parameters`: PRIMREC_INPUT_ERROR, no message. Sets parameters->size,
 * as primrec_default_parameters does (the macro passes sizeof). */
#define primrec_read_parameters(directory, parameters, messages, size) \
  primrec_read_parameters_sized((directory), (parameters), sizeof(primrec_parameters), (messages), (size))
PRIMREC_API int primrec_read_parameters_sized(const char* directory, primrec_parameters* parameters,
                                              size_t struct_size, char* messages, size_t size);

/* Solves; returns a handle (NULL only when not even the handle could be
 * allocated), which holds the rows or the failure. The functions below take a
 * NULL handle as one whose history could not be stored: PRIMREC_NO_MEMORY,
 * its message, no rows and NULL columns. Parameters whose size is not that of
 * a primrec_parameters of this or an earlier version (not filled by
 * primrec_default_parameters, or from a newer header) give PRIMREC_INPUT_ERROR. */
PRIMREC_API primrec_history* primrec_solve(const primrec_parameters* parameters);
/* How a history is solved. Its first field is its size, as for
 * primrec_parameters: new fields are appended, an older struct is read up to
 * its size. */
typedef struct primrec_options {
  size_t size; /* sizeof(primrec_options) of the caller: leave as set */
  /* 1: the passes run one after the other on the calling thread, for callers
   * that solve many histories in parallel, one per core. 2 (or more, which
   * acts as 2): with the feedback, its pass runs beside the first on a second
   * thread, so that the history takes little more time than one pass. The
   * same bits either way; below 1: PRIMREC_INPUT_ERROR. */
  int threads;
  /* Non-zero: the fast mode. Its steps follow an estimate of their error
   * against `tolerance` (relative, about what x_e and T_m then err by) instead
   * of the step of the input, which then only sets the redshifts of the rows.
   * The tolerance must lie between 1e-8 and 1e-2 (else PRIMREC_INPUT_ERROR). */
  int fast;
  double tolerance;
  /* Non-zero: the precise mode. x_e (and the el column) and T_m are multiplied
   * by a correction fitted to the histories of a multi-level atom code, for the
   * physics and inside the box of cosmologies it was fitted on (elsewhere
   * PRIMREC_INPUT_ERROR, the message naming the value and its range). */
  int precise;
  /* NULL, or a flag of the caller's: once it is non-zero (set from another
   * thread, or a signal handler), the solve stops within a step (the
   * Lyman-series feedback looks at it within its sum too) with
   * PRIMREC_CANCELLED and the rows made until then. The library only reads
   * it, atomically; a caller that sets it from another thread sets it with
   * an atomic store (C11 atomic_store on an atomic int of the same size, or
   * __atomic_store_n), or declares it volatile sig_atomic_t for a handler. */
  const volatile int* cancel;
} primrec_options;
/* threads 1, the default mode, tolerance 1e-4 (for the fast mode), not precise,
 * no cancel flag, and options->size; a macro as primrec_default_parameters. */
#define primrec_default_options(options) primrec_init_options((options), sizeof(primrec_options))
PRIMREC_API void primrec_init_options(primrec_options* options, size_t struct_size);
/* primrec_solve with options (NULL: the defaults). */
PRIMREC_API primrec_history* primrec_solve_with(const primrec_parameters* parameters,
                                                const primrec_options* options);
/* x_e and T_m at any z between the first and the last row: the quadratic in
 * ln(1+z) through the three nearest rows; NaN outside them or for a NULL handle. */
PRIMREC_API double primrec_x_e_at(const primrec_history* history, double z);
PRIMREC_API double primrec_T_m_at(const primrec_history* history, double z);

PRIMREC_API int primrec_status(const primrec_history* history);
/* The message of the failure, as the program prints it; "" when there is none. */
PRIMREC_API const char* primrec_message(const primrec_history* history);
/* The messages that did not stop the solve, in order; "" when there are none. */
PRIMREC_API const char* primrec_notes(const primrec_history* history);
/* The redshift of the step that broke down; NaN otherwise. */
PRIMREC_API double primrec_breakdown_z(const primrec_history* history);

PRIMREC_API size_t primrec_rows(const primrec_history* history);
/* A column of primrec_rows() values (enum primrec_column); NULL for an unknown
 * column, never for a known one of a handle, even without rows. */
PRIMREC_API const double* primrec_column(const primrec_history* history, int column);

/* The overheating rows of the first pass: column 0 for z, 1 for ln of the
 * overheating; NULL as for primrec_column. */
PRIMREC_API size_t primrec_overheating_rows(const primrec_history* history);
PRIMREC_API const double* primrec_overheating_column(const primrec_history* history, int column);

/* Releases the handle and everything it holds (the columns, the messages):
 * the caller owns a handle from primrec_solve until this call, and may not use
 * it, nor any pointer it gave, afterwards. NULL is allowed. A second release
 * of the same handle is the caller's error; the library recognises it, and
 * does nothing, as long as the handle's memory has not been given to another
 * allocation meanwhile: after a new primrec_solve it may well hold the new
 * handle, which a stale second release then frees. Set the pointer to NULL. */
PRIMREC_API void primrec_free(primrec_history* history);

#ifdef __cplusplus
}
#endif

#endif
