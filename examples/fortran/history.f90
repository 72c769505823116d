! The recombination history of the default parameters through primrec's C
! interface from Fortran: one line per row, z, x_e and T_m to 17 significant
! digits, the same bytes as the C example prints.
! Build: cmake -S . -B build -DCMAKE_PREFIX_PATH=<prefix> && cmake --build build
program history
  use, intrinsic :: iso_c_binding, only: c_ptr, c_double, c_char, c_null_char, c_f_pointer
  use, intrinsic :: iso_fortran_env, only: error_unit
  use primrec
  implicit none

  type(primrec_parameters) :: parameters
  type(primrec_options) :: options
  type(c_ptr) :: solution
  real(c_double), pointer :: z(:), x_e(:), T_m(:)
  integer :: rows, i

  call primrec_default_parameters(parameters)
  call primrec_default_options(options)
  options%threads = 2  ! the feedback pass beside the first: the same bits, sooner
  solution = primrec_solve_with(parameters, options)
  if (primrec_status(solution) /= PRIMREC_OK) then
    write (error_unit, '(a)', advance='no') c_string(primrec_message(solution))
    call primrec_free(solution)
    stop 1, quiet=.true.
  end if

  rows = int(primrec_rows(solution))
  call c_f_pointer(primrec_column(solution, PRIMREC_Z), z, [rows])
  call c_f_pointer(primrec_column(solution, PRIMREC_X_E), x_e, [rows])
  call c_f_pointer(primrec_column(solution, PRIMREC_T_M), T_m, [rows])
  do i = 1, rows
    write (*, '(a)') g17(z(i)) // ' ' // g17(x_e(i)) // ' ' // g17(T_m(i))
  end do
  call primrec_free(solution)

contains

  ! x (finite) as C's printf("%.17g") writes it. gfortran's ES output rounds
  ! through the C library's printf, so its digits and exponent are printf's;
  ! only the layout differs: %g takes the exponent form (at least two exponent
  ! digits) when the exponent is below -4 or above 16, and drops the zeros
  ! ending the digits after the point, then a bare point.
  function g17(x) result(text)
    real(c_double), intent(in) :: x
    character(len=:), allocatable :: text
    character(len=24) :: es  ! "sd.dddddddddddddddde+xxx"
    character(len=5) :: exponent_text
    character(len=17) :: digits
    integer :: exponent

    write (es, '(sp, es24.16e3)') x
    digits = es(2:2) // es(4:19)
    read (es(21:24), '(i4)') exponent
    if (exponent < -4 .or. exponent > 16) then
      write (exponent_text, '(sp, i0.2)') exponent
      text = without_zeros(digits(1:1) // '.' // digits(2:)) // 'e' // trim(exponent_text)
    else if (exponent >= 0) then
      text = without_zeros(digits(:exponent + 1) // '.' // digits(exponent + 2:))
    else
      text = without_zeros('0.' // repeat('0', -exponent - 1) // digits)
    end if
    if (es(1:1) == '-') text = '-' // text
  end function g17

  ! A number with a point, without the zeros that end it nor a bare point.
  function without_zeros(number) result(text)
    character(len=*), intent(in) :: number
    character(len=:), allocatable :: text
    integer :: last

    last = verify(number, '0', back=.true.)
    if (number(last:last) == '.') last = last - 1
    text = number(:last)
  end function without_zeros

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
