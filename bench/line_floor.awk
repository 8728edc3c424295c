# The line-time floor of a rewrite, from velmar-radio's traffic log: every byte of every frame
# at its speed, every reply byte at the speed of the frame it answers, 10 bits a byte. Prints
# seconds. Usage: awk -f bench/line_floor.awk traffic.log
/ frame [0-9]+ / {
    for (i = 1; i <= NF; ++i) if ($i == "bytes" && $(i + 1) == "at") { n = $(i - 1); baud = $(i + 2) }
    t += n * 10 / baud
    next
}
/^  reply [0-9]+ bytes/ { t += $2 * 10 / baud }
END { printf "%.3f", t }
