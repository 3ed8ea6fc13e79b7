# The cost of the service, on the real-kernel bench: the same update run by kelm through the
# service and by root directly, interleaved (service, root, root, service, ...) so that drift
# hits both alike. Both name the drive by its node and start through su, so that the launch
# costs the same both ways. Between runs root restores the backup the update wrote, so that
# every update does the whole procedure; restores are not timed. The service stays while calls
# come (it leaves after 30 idle seconds), so the rounds measure it running, as on a system in
# use; the start of the service (and of polkitd, the first time) is measured apart, before the
# rounds. The times are the report.
#   tools/vm-test bench/service-cost
rounds=${COST_ROUNDS:-10}
plug_all || return
start_service_bus || { echo "the service (kelm-fwupdated, its system files) or the system bus is missing (see bus.log)" >> "$OUT/error"; return; }
polkit_rule 'polkit.addRule(function(action, subject) {
  if (action.id.indexOf("org.kelm.fwupdate.") == 0 && subject.user == "kelm")
    return polkit.Result.YES;
});'
files=/tmp/kelm-files
mkdir -p "$files" && cp -L FW352B.bin "$files/" && chown -R kelm "$files"
node=$(sg_node 0 0)
now() { cut -d' ' -f1 /proc/uptime; }
failed=0

# As as_user does for kelm: the same su, so the launch is no difference between the ways.
as_root() {
  local command="exec" arg
  for arg in "$@"; do
    command="$command '$(printf '%s' "$arg" | sed "s/'/'\\\\''/g")'"
  done
  su -p -s /bin/sh -c "$command" root
}

# WAY ARGS...: kelmtool ARGS, through the service as kelm or directly as root.
kelmtool_as() {
  local way=$1
  shift
  if [ "$way" = service ]; then as_user "$@"; else as_root "$@"; fi
}

timed() {  # WAY: one update that way, its seconds appended to $WORK/WAY
  local way=$1 start end backup=$files/$1-$2.bin status
  start=$(now)
  (cd "$files" && kelmtool_as "$way" timeout -s KILL 120 kelmtool update "$node" --image FW352B.bin --backup "$backup") \
    >> "$OUT/program.log" 2>&1
  status=$?
  end=$(now)
  [ "$status" -eq 0 ] || { failed=$status; echo "$way update $2: status $status" >> "$OUT/transcript"; }
  echo "$start $end" | awk '{printf "%.2f\n", $2 - $1}' >> "$WORK/$way"
  # The updated drive stays claimed until it is unplugged, so is the restored one.
  replug
  (cd "$files" && timeout -s KILL 120 kelmtool restore "$node" "$backup") >> "$OUT/program.log" 2>&1 ||
    { failed=1; echo "restore after $way update $2 failed" >> "$OUT/transcript"; }
  replug
}

replug() {
  unplug_all
  wait_for 10 eval '! sg_node 0 0 > /dev/null'
  bind_in_order && udevadm settle -t 10
  node=$(sg_node 0 0)
}

# A list alone, both ways: the part of the difference that every call pays (the bus, polkit,
# the service's survey) rather than the procedure.
listed() {  # WAY [FILE]: a list that way, its seconds appended to $WORK/FILE (list-WAY)
  local start end
  start=$(now)
  (cd "$files" && kelmtool_as "$1" timeout -s KILL 60 kelmtool list) > /dev/null 2>> "$OUT/program.log" ||
    { failed=1; echo "$1 list failed" >> "$OUT/transcript"; }
  end=$(now)
  echo "$start $end" | awk '{printf "%.2f\n", $2 - $1}' >> "$WORK/${2:-list-$1}"
}

# The starts, apart: the first call starts polkitd and the service on the bus; a call after the
# service has left starts the service alone.
listed service cold-first
for pid in $(pidof kelm-fwupdated); do kill -TERM "$pid"; done
wait_for 10 eval '! pidof kelm-fwupdated > /dev/null'
listed service cold-service
listed service warm

i=1
while [ "$i" -le "$rounds" ]; do
  if [ $((i % 2)) -eq 1 ]; then
    timed service "$i"; timed root "$i"; listed service; listed root
  else
    timed root "$i"; timed service "$i"; listed root; listed service
  fi
  i=$((i + 1))
done
median() { sort -n "$1" | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
service=$(median "$WORK/service") root=$(median "$WORK/root")
{
  echo "update through the service (kelm, polkit allowing): $(tr '\n' ' ' < "$WORK/service")s, median ${service}s"
  echo "update as root directly:                            $(tr '\n' ' ' < "$WORK/root")s, median ${root}s"
  echo "service / root: $(echo "$service $root" | awk '{printf "%.2f", $1 / $2}')"
  echo "list through the service: $(tr '\n' ' ' < "$WORK/list-service")s, median $(median "$WORK/list-service")s"
  echo "list as root directly:     $(tr '\n' ' ' < "$WORK/list-root")s, median $(median "$WORK/list-root")s"
  echo "starts: the first call (the bus starts polkitd and the service) $(cat "$WORK/cold-first")s, a call that starts the service alone $(cat "$WORK/cold-service")s, the next call $(cat "$WORK/warm")s"
} >> "$OUT/transcript"
cp "$OUT/transcript" "$OUT/report"
echo "$failed" > "$OUT/status"
