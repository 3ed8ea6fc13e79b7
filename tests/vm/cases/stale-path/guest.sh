# Only the first enclosure is plugged in. After its first sector erase the program is
# stopped; the enclosure is pulled, the second enclosure plugged in takes its sg
# number, and the first comes back under a new one; then the program goes on.
error() { echo "$*" >> "$OUT/error"; }
step() { echo "$(cut -d' ' -f1 /proc/uptime) $*" >> "$OUT/steps"; }
echo dummy_udc.0 > "$GADGETS/g0/UDC"
wait_for 10 enclosure_attached 0 && udevadm settle -t 10 || { error "the enclosure did not attach"; return; }
old=$(sg_node 0 0)
run_program &
job=$!
erase=$(printf '^out\tff0414')
# The bridge holds the first sector erase: the program is stopped while it waits, the erase
# is answered meanwhile; then it runs in short steps until it is stopped between two
# commands, holding no sg node (a node held open keeps its number taken). Its next command
# goes to the path the re-plug made stale. A step is a few milliseconds: the rest of the
# update takes about twenty commands of two milliseconds each, and must not fit in one.
if wait_gadget_log "holding EraseFlashSector 1" && pid=$(program_pid) && kill -STOP "$pid"; then
  step "stopped in the erase: $(grep State /proc/$pid/status)"
  wait_for 10 grep -q "$erase" "$WORK/trace" || error "the erase was not answered"
  step "erase answered: $(wc -l < "$WORK/trace") lines"
  usleep 100000
  tries=0
  while kill -CONT "$pid" && usleep 2000 && kill -STOP "$pid" && ls -l "/proc/$pid/fd" | grep -q ' /dev/sg'; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { error "the program did not let go of its sg node"; break; }
  done
  step "stopped between commands after $tries steps: $(wc -l < "$WORK/trace") trace lines"
  echo "" > "$GADGETS/g0/UDC"
  wait_for 10 eval '! sg_node 0 0 > /dev/null' || error "the enclosure did not go"
  echo dummy_udc.1 > "$GADGETS/g1/UDC"
  wait_for 10 enclosure_attached 1 || error "the second enclosure did not attach"
  echo dummy_udc.0 > "$GADGETS/g0/UDC"
  wait_for 10 enclosure_attached 0 || error "the enclosure did not come back"
  udevadm settle -t 10
  [ "$(sg_node 1 0)" = "$old" ] || error "the second enclosure is $(sg_node 1 0), not $old"
  [ "$(sg_node 0 0)" != "$old" ] || error "the enclosure came back as $old"
  step "re-plugged: $(wc -l < "$WORK/trace") lines"
  kill -CONT "$pid"
else
  error "the first erase was not held"
fi
wait "$job"
