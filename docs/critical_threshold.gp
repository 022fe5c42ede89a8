# The figure of docs/critical-threshold.md. docs/critical_threshold.py calls
# it with the fit's values:
#   gnuplot -e "fc=...; err=...; gam=...; a=...; c1=...; pub=...; puberr=...;
#               data='...'; scan='...'; out='...'" docs/critical_threshold.gp
# The fit: ln <s> = a - gam ln(fc - f0) + c1 (fc - f0).
set terminal pngcairo size 1100,900 font "Sans,10"
set output out
set datafile separator ","
set key top left box opaque
set grid

model(e) = exp(a - gam*log(e) + c1*e)
lin(x) = x < fc ? (fc - x) * exp(-(a + c1*(fc - x))/gam) : NaN
ours = "#c0392b"
new = "#6a1b9a"

set multiplot

# (a) the divergence on log-log axes
set lmargin at screen 0.08
set rmargin at screen 0.47
set tmargin at screen 0.95
set bmargin at screen 0.59
set title "(a) Mean f0-avalanche size against the distance from f_c"
set logscale xy
set format x "%g"
set format y "10^{%L}"
set xlabel "f_c - f_0 (program scale, f_c from the fit)"
set ylabel "mean f0-avalanche size <s> (generations)"
set xrange [0.01:0.6]
plot data skip 1 using 2:4:($4*$5) with yerrorbars pt 7 ps 0.8 lc rgb "#1f4e9c" title "quillmar-batch, 6 runs pooled", \
     model(x) with lines lw 1.5 lc rgb ours title sprintf("fit: γ = %.3f", gam)
unset logscale

# (b) the same, linearised: <s>^(-1/gamma) reaches zero at f_c
set lmargin at screen 0.57
set rmargin at screen 0.97
set title "(b) <s>^{-1/γ} falls to zero at f_c"
set xlabel "f_0 (program scale)"
set ylabel "<s>^{-1/γ}"
set format x "%.2f"
set format y "%.3f"
set xrange [6.56:6.675]
set yrange [0:0.03]
set xtics 0.02
set key bottom left box opaque
set arrow 1 from fc, graph 0 to fc, graph 1 nohead lw 1.5 lc rgb ours
set arrow 3 from pub, graph 0 to pub, graph 0.35 nohead dt 3 lw 1.5 lc rgb new
plot data skip 1 using 1:7:8 with yerrorbars pt 7 ps 0.8 lc rgb "#1f4e9c" title "quillmar-batch", \
     lin(x) with lines lw 1.5 lc rgb ours title "fit, and its f_c", \
     NaN with lines dt 3 lw 1.5 lc rgb new title "arXiv 2021"
unset arrow

# (c) the estimate against the fit's window
set lmargin at screen 0.08
set rmargin at screen 0.47
set tmargin at screen 0.46
set bmargin at screen 0.07
set title "(c) f_c from fits over f_0 ≥ the lowest f_0"
set xlabel "lowest f_0 in the fit"
set ylabel "f_c (program scale)"
set format y "%.4f"
set xrange [6.17:6.62]
set yrange [6.666:6.674]
set xtics 0.05
set ytics 0.002
set key bottom right box opaque
set arrow 1 from graph 0, first fc to graph 1, first fc nohead lw 1 lc rgb ours
set arrow 3 from graph 0, first pub to graph 1, first pub nohead dt 3 lw 1 lc rgb new
plot scan skip 1 using ($1-0.003):($2 == 0 ? $3 : NaN):4 with yerrorbars pt 6 ps 1 lc rgb "#555555" \
         title "pure power law", \
     scan skip 1 using ($1+0.003):($2 == 1 ? $3 : NaN):4 with yerrorbars pt 7 ps 1 lc rgb "#1f4e9c" \
         title "with the correction c_1 (f_c - f_0)"
unset arrow

# (d) the estimate beside the published value: 1 and 2 error bars
set print $cmp
print sprintf("%.6f,%.6f,2", fc, err)
print sprintf("%.6f,%.6f,1", pub, puberr)
unset print
set lmargin at screen 0.68
set rmargin at screen 0.97
set title "(d) f_c, with 1 and 2 standard errors"
set xlabel "f_c (program scale)"
unset ylabel
set xrange [6.6675:6.6735]
set xtics 0.002
set format x "%.3f"
set yrange [0.4:2.6]
set ytics ("this program" 2, "arXiv:2111.10473 (2021)" 1)
unset key
plot $cmp using 1:3:($1-2*$2):($1+2*$2) with xerrorbars pt 7 ps 0 lw 1 lc rgb "#999999", \
     $cmp using 1:3:($1-$2):($1+$2) with xerrorbars pt 7 ps 1.2 lw 2.5 lc rgb "#1f4e9c"
unset multiplot
