# The recombination history of a run directory, drawn as one picture:
#   gnuplot -e "dir='run'" tools/history.gp    -> run/history.png
# Needs the tables of primrec and visibility.dat of primrec-summary in dir.
if (!exists("dir")) dir = "run"
T0 = real(system("awk -F= 'NR == 7 {print $2}' " . dir . "/cosm_p.in"))

set terminal pngcairo size 1200,1500 font "Sans,11"
set output dir . "/history.png"
set multiplot layout 3,1 title "Recombination history (" . dir . ")"

set lmargin at screen 0.10
set rmargin at screen 0.78
set xlabel "redshift z"
set logscale x
set xrange [1:8000]
set grid
set key outside right

set title "Ionisation"
set ylabel "fraction"
set logscale y
set yrange [1e-8:2]
set format y "10^{%L}"
plot dir . "/el.dat"    using 1:2 with lines lw 3 lc rgb "black" title "x_e = n_e / n_H", \
     dir . "/HydII.dat" using 1:2 with lines lw 2 lc rgb "#d62728" title "H II / nuclei", \
     dir . "/HydI.dat"  using 1:2 with lines lw 2 lc rgb "#ff9896" title "H I / nuclei", \
     dir . "/HeIII.dat" using 1:2 with lines lw 2 lc rgb "#1f77b4" title "He III / nuclei", \
     dir . "/HeII.dat"  using 1:2 with lines lw 2 lc rgb "#2ca02c" title "He II / nuclei", \
     dir . "/HeI.dat"   using 1:2 with lines lw 2 lc rgb "#9467bd" title "He I / nuclei"

set title "Matter temperature"
set ylabel "T_m / T_r"
unset logscale y
set format y "%g"
set yrange [0:1.05]
plot dir . "/T_matter.dat" using 1:($2 / (T0 * (1 + $1))) with lines lw 2 lc rgb "black" title "T_m / T_r"

set title "Visibility around last scattering"
set ylabel "g(z) = (d{/Symbol t}/dz) e^{-{/Symbol t}}"
unset logscale x
set xrange [600:1600]
set autoscale y
plot dir . "/visibility.dat" using 1:3 with lines lw 2 lc rgb "black" title "g(z)"

unset multiplot
