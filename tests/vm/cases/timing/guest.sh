# Request times on the kernel's own stack, reported and never judged: 500 flash status reads
# and 64 16 KiB flash reads through the program's transport and Linux backend, a bare SG_IO
# loop and one sg_raw process per request (kelm-sg-timing-case). Its summary is the case's
# report, printed by the runner under the case's line.
if plug_all; then
  timeout -s KILL 240 kelm-sg-timing-case "$(sg_node 0 0)" /usr/lib/kelm/kelm-sg-timing \
    > "$OUT/transcript" 2> "$OUT/program.log"
  echo $? > "$OUT/status"
  cp "$OUT/transcript" "$OUT/report"
fi
