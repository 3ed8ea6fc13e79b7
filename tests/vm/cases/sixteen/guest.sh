# Sixteen enclosures, as many as the drive table holds. The compared run is the default one:
# the list shows all sixteen, the twelfth is updated, the others stay as they were. Then a
# report, never judged: the wall time of one refresh of all sixteen on the real kernel (three
# refreshes less a run that makes none but the first) beside the sum of its commands' round
# trips, each sent again the bare way (open, SG_IO, close). The trace and the flash the case
# is compared by are the compared run's: the report's runs read, and their lines are dropped.
default_case || return
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
# The refresh's requests, each to the node of its enclosure (#000K&0# in the path column).
: > "$WORK/replay"
while IFS="$(printf '\t')" read -r direction cdb length timeout result moved crc path; do
  k=$(echo "$path" | sed -n 's/.*#0*\([0-9][0-9]*\)&.*/\1/p')
  echo "$(sg_node "${k:-0}" 0) $direction $cdb $length" >> "$WORK/replay"
done < "$WORK/refresh-trace"
bare=$(kelm-sg-timing --replay < "$WORK/replay")
cp "$WORK/trace.case" "$WORK/trace"
awk -v one="$one" -v four="$four" -v n="$(wc -l < "$WORK/replay")" -v bare="$bare" 'BEGIN {
  refresh = (four - one) / 3
  split(bare, w, "round trips "); sum = w[2] + 0
  printf "refresh of 16 enclosures: %d requests, wall time %.0f ms (mean of 3);", n, refresh
  printf " the same requests sent bare: %.0f ms; refresh / bare %.2f\n", sum, (sum > 0) ? (refresh / sum) : 0
}' > "$OUT/report"
echo "$bare" >> "$OUT/report"
