# The torrel-size distribution of a quillmar-batch run on log-log axes:
# density (count / (bin width x torrels)) at the geometric middle of each bin.
# Run from the repository root: gnuplot docs/torrel_sizes.gp
set terminal pngcairo size 800,560 font "Sans,11"
set output "docs/torrel-sizes.png"
set datafile separator ","
set logscale xy
set format x "10^{%L}"
set format y "10^{%L}"
set xlabel "torrel size"
set ylabel "probability of one size"
set title "Torrel sizes, 32765 species, 5 x 10^7 generations (quillmar-batch --seed 2026)"
set grid
unset key
plot "docs/torrel-sizes.csv" skip 1 using (sqrt($1*$2)):($3 > 0 ? $4 : NaN) with linespoints pt 7 ps 1.2 lw 1.5
