# Sixteen enclosures, as many as the drive table holds. The compared run is the default one:
# the list shows all sixteen, the twelfth is updated, the others stay as they were. Then a
# report, never judged: the wall time of one refresh of all sixteen on the real kernel (a run
# with three more refreshes less a run with none but the first, over three) beside the sum of
# its requests' round trips, each sent again the bare way (open, SG_IO, close). The trace the
# case is compared by is the compared run's: the report's runs only read, and their lines are
# dropped. `steps` holds when each part ended (seconds since boot).
step() { echo "$(cut -d' ' -f1 /proc/uptime) $*" >> "$OUT/steps"; }
plug_all || return
step plugged
run_program
step compared
cp "$WORK/trace" "$WORK/trace.case"

uptime_ms() { awk '{ printf "%d\n", $1 * 1000 }' /proc/uptime; }
timed_run() {  # SCRIPT: the scripted program's wall time in ms
  local start
  start=$(uptime_ms)
  timeout -s KILL 120 kelm-fwupdate-scripted --images . --script "$1" > /dev/null 2>&1
  echo $(($(uptime_ms) - start))
}

lines=$(wc -l < "$WORK/trace")
one=$(timed_run exit)
tail -n +$((lines + 1)) "$WORK/trace" > "$WORK/refresh-trace"
four=$(timed_run refresh,refresh,refresh,exit)
step "refreshed"
# The refresh's requests, each to the node of its enclosure (#000K&0# in the path column).
for k in $(enclosures); do echo "$k $(sg_node "$k" 0)"; done > "$WORK/nodes"
awk -F'\t' 'NR == FNR { node[$1] = $2; next }
  { k = match($8, /#[0-9]+&/) ? substr($8, RSTART + 1, RLENGTH - 2) + 0 : 0
    print node[k], $1, $2, $3 }' FS=' ' "$WORK/nodes" FS='\t' "$WORK/refresh-trace" > "$WORK/replay"
bare=$(kelm-sg-timing --replay < "$WORK/replay")
step replayed
cp "$WORK/trace.case" "$WORK/trace"
awk -v one="$one" -v four="$four" -v n="$(wc -l < "$WORK/replay")" -v bare="$bare" 'BEGIN {
  refresh = (four - one) / 3
  split(bare, w, "round trips "); sum = w[2] + 0
  printf "refresh of 16 enclosures: %d requests, wall time %.0f ms (mean of 3);", n, refresh
  printf " the same requests sent bare: %.0f ms; refresh / bare %.2f\n", sum, (sum > 0) ? (refresh / sum) : 0
}' > "$OUT/report"
echo "$bare" >> "$OUT/report"
