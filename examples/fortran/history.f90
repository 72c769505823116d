! The recombination history of the default parameters through primrec's C
! interface from Fortran: one line per row, z, x_e and T_m to 17 significant digits.
! Build: cmake -S . -B build -DCMAKE_PREFIX_PATH=<prefix> && cmake --build build
program history
  use, intrinsic :: iso_c_binding, only: c_ptr, c_double, c_char, c_null_char, c_f_pointer
  use, intrinsic :: iso_fortran_env, only: error_unit
  use primrec
  implicit none

  type(primrec_parameters) :: parameters
  type(c_ptr) :: solution
  real(c_double), pointer :: z(:), x_e(:), T_m(:)
  integer :: rows, i

  call primrec_default_parameters(parameters)
  solution = primrec_solve(parameters)
  if (primrec_status(solution) /= PRIMREC_OK) then
    write (error_unit, '(a)', advance='no') c_string(primrec_message(solution))
    call primrec_free(solution)
    stop 1, quiet=.true.
  end if

  rows = int(primrec_rows(solution))
  call c_f_pointer(primrec_column(solution, PRIMREC_Z), z, [rows])
  call c_f_pointer(primrec_column(solution, PRIMREC_X_E), x_e, [rows])
  call c_f_pointer(primrec_column(solution, PRIMREC_T_M), T_m, [rows])
  ! 17 significant digits carry every bit of a double.
  do i = 1, rows
    write (*, '(es24.16e3, 1x, es24.16e3, 1x, es24.16e3)') z(i), x_e(i), T_m(i)
  end do
  call primrec_free(solution)

contains

  ! A NUL-terminated C string as a Fortran string.
  function c_string(pointer) result(text)
    type(c_ptr), intent(in) :: pointer
    character(len=:), allocatable :: text
    character(kind=c_char), pointer :: chars(:)
    integer :: length, k

    call c_f_pointer(pointer, chars, [huge(0)])
    length = 0
    do while (chars(length + 1) /= c_null_char)
      length = length + 1
    end do
    allocate (character(len=length) :: text)
    do k = 1, length
      text(k:k) = chars(k)
    end do
  end function c_string
end program history
