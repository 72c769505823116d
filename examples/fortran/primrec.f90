! primrec's C interface for Fortran through ISO_C_BINDING: the parameters
! struct mirrored field by field, the column numbers, and the functions.
! Build with history.f90: cmake -S . -B build -DCMAKE_PREFIX_PATH=<prefix> && cmake --build build
module primrec
  use, intrinsic :: iso_c_binding, only: c_double, c_int, c_size_t, c_ptr, c_char, c_sizeof
  implicit none
  private :: c_double, c_int, c_size_t, c_ptr, c_char, c_sizeof

  ! The fields of primrec_parameters in the order of the C struct (so the
  ! layout is the same); units as in the five input files. The first field is
  ! the struct's size, which primrec_default_parameters sets: a module that
  ! mirrors only the first fields of a later, longer struct still works, the
  ! library taking the defaults for the fields it lacks.
  type, bind(C) :: primrec_parameters
    integer(c_size_t) :: size
    real(c_double) :: z_begin
    real(c_double) :: z_end
    real(c_double) :: step
    real(c_double) :: convergence_norm
    integer(c_int) :: output_stride
    integer(c_int) :: feedback_levels
    real(c_double) :: G
    real(c_double) :: hbar
    real(c_double) :: c
    real(c_double) :: me
    real(c_double) :: mp
    real(c_double) :: e
    real(c_double) :: kB
    real(c_double) :: F_H
    real(c_double) :: A_perturbation_H
    real(c_double) :: z_perturbation
    real(c_double) :: Delta_z_perturbation
    real(c_double) :: H0
    real(c_double) :: omega_m
    real(c_double) :: omega_lambda
    real(c_double) :: N_eff
    real(c_double) :: omega_b
    real(c_double) :: X_M
    real(c_double) :: T0
  end type primrec_parameters

  ! primrec_options, as in C: its size first, then threads (1: the calling
  ! thread only; 2: the feedback pass beside the first), fast (non-zero: the
  ! fast mode), its tolerance and precise (non-zero: the precise mode).
  type, bind(C) :: primrec_options
    integer(c_size_t) :: size
    integer(c_int) :: threads
    integer(c_int) :: fast
    real(c_double) :: tolerance
    integer(c_int) :: precise
  end type primrec_options

  ! enum primrec_status
  integer(c_int), parameter :: PRIMREC_OK = 0, PRIMREC_INPUT_ERROR = 1, PRIMREC_BREAKDOWN = 2, &
                               PRIMREC_CANCELLED = 3, PRIMREC_NO_MEMORY = 4, PRIMREC_INTERNAL_ERROR = 5
  ! enum primrec_column
  integer(c_int), parameter :: PRIMREC_Z = 0, PRIMREC_HYDI = 1, PRIMREC_HYDII = 2, PRIMREC_HEI = 3, &
                               PRIMREC_HEII = 4, PRIMREC_HEIII = 5, PRIMREC_EL = 6, PRIMREC_X_E = 7, &
                               PRIMREC_T_M = 8

  interface
    subroutine primrec_init_parameters(parameters, struct_size) bind(C, name="primrec_init_parameters")
      import :: c_size_t, primrec_parameters
      type(primrec_parameters), intent(inout) :: parameters
      integer(c_size_t), value :: struct_size
    end subroutine

    integer(c_int) function primrec_read_parameters_sized(directory, parameters, struct_size, messages, size) &
        bind(C, name="primrec_read_parameters_sized")
      import :: c_int, c_char, c_size_t, primrec_parameters
      character(kind=c_char), intent(in) :: directory(*)  ! NUL-terminated
      type(primrec_parameters), intent(inout) :: parameters
      integer(c_size_t), value :: struct_size
      character(kind=c_char), intent(out) :: messages(*)
      integer(c_size_t), value :: size
    end function

    type(c_ptr) function primrec_solve(parameters) bind(C, name="primrec_solve")
      import :: c_ptr, primrec_parameters
      type(primrec_parameters), intent(in) :: parameters
    end function

    subroutine primrec_init_options(options, struct_size) bind(C, name="primrec_init_options")
      import :: c_size_t, primrec_options
      type(primrec_options), intent(inout) :: options
      integer(c_size_t), value :: struct_size
    end subroutine

    type(c_ptr) function primrec_solve_with(parameters, options) bind(C, name="primrec_solve_with")
      import :: c_ptr, primrec_parameters, primrec_options
      type(primrec_parameters), intent(in) :: parameters
      type(primrec_options), intent(in) :: options
    end function

    integer(c_int) function primrec_status(history) bind(C, name="primrec_status")
      import :: c_int, c_ptr
      type(c_ptr), value :: history
    end function

    type(c_ptr) function primrec_message(history) bind(C, name="primrec_message")
      import :: c_ptr
      type(c_ptr), value :: history
    end function

    type(c_ptr) function primrec_notes(history) bind(C, name="primrec_notes")
      import :: c_ptr
      type(c_ptr), value :: history
    end function

    real(c_double) function primrec_breakdown_z(history) bind(C, name="primrec_breakdown_z")
      import :: c_double, c_ptr
      type(c_ptr), value :: history
    end function

    integer(c_size_t) function primrec_rows(history) bind(C, name="primrec_rows")
      import :: c_size_t, c_ptr
      type(c_ptr), value :: history
    end function

    type(c_ptr) function primrec_column(history, column) bind(C, name="primrec_column")
      import :: c_int, c_ptr
      type(c_ptr), value :: history
      integer(c_int), value :: column
    end function

    integer(c_size_t) function primrec_overheating_rows(history) bind(C, name="primrec_overheating_rows")
      import :: c_size_t, c_ptr
      type(c_ptr), value :: history
    end function

    type(c_ptr) function primrec_overheating_column(history, column) &
        bind(C, name="primrec_overheating_column")
      import :: c_int, c_ptr
      type(c_ptr), value :: history
      integer(c_int), value :: column
    end function

    subroutine primrec_free(history) bind(C, name="primrec_free")
      import :: c_ptr
      type(c_ptr), value :: history
    end subroutine
  end interface

contains

  ! The values of examples/default/, and the size of this module's struct.
  subroutine primrec_default_parameters(parameters)
    type(primrec_parameters), intent(out) :: parameters
    call primrec_init_parameters(parameters, c_sizeof(parameters))
  end subroutine primrec_default_parameters

  ! threads 1, the default mode, tolerance 1e-4, and the size of this module's struct.
  subroutine primrec_default_options(options)
    type(primrec_options), intent(out) :: options
    call primrec_init_options(options, c_sizeof(options))
  end subroutine primrec_default_options

  ! The five input files of `directory` (NUL-terminated), as primrec_read_parameters in C.
  integer(c_int) function primrec_read_parameters(directory, parameters, messages, size)
    character(kind=c_char), intent(in) :: directory(*)
    type(primrec_parameters), intent(inout) :: parameters
    character(kind=c_char), intent(out) :: messages(*)
    integer(c_size_t), value :: size
    primrec_read_parameters = primrec_read_parameters_sized(directory, parameters, c_sizeof(parameters), &
                                                            messages, size)
  end function primrec_read_parameters
end module primrec
