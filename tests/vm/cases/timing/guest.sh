# Request times on the kernel's own stack, reported and never judged: 300 flash status reads
# and 96 16 KiB flash reads through the program's transport and Linux backend, a bare loop
# opening the node per request, a bare loop on one descriptor, and one sg_raw process per
# request every few rounds, interleaved (kelm-sg-timing). Its summary is the case's report,
# printed by the runner under the case's line.
if plug_all; then
  timeout -s KILL 240 kelm-sg-timing "$(sg_node 0 0)" > "$OUT/transcript" 2> "$OUT/program.log"
  echo $? > "$OUT/status"
  cp "$OUT/transcript" "$OUT/report"
fi
