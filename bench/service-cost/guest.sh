# The cost of the service, on the real-kernel bench: the same update run by kelm through the
# service and by root directly, interleaved (service, root, root, service, ...) so that drift
# hits both alike. Between runs root restores the backup the update wrote, so that every
# update does the whole procedure; restores are not timed. The times are the report.
#   tools/vm-test bench/service-cost
rounds=${COST_ROUNDS:-6}
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

timed() {  # WAY: one update that way, its seconds appended to $WORK/WAY
  local way=$1 start end backup=$files/$1-$2.bin status
  start=$(now)
  if [ "$way" = service ]; then
    (cd "$files" && as_user timeout -s KILL 120 kelmtool update 0 --image FW352B.bin --backup "$backup")
  else
    (cd "$files" && timeout -s KILL 120 kelmtool update "$node" --image FW352B.bin --backup "$backup")
  fi >> "$OUT/program.log" 2>&1
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
listed() {  # WAY
  local start end
  start=$(now)
  if [ "$1" = service ]; then
    (cd "$files" && as_user timeout -s KILL 60 kelmtool list)
  else
    timeout -s KILL 60 kelmtool list
  fi > /dev/null 2>> "$OUT/program.log" || { failed=1; echo "$1 list failed" >> "$OUT/transcript"; }
  end=$(now)
  echo "$start $end" | awk '{printf "%.2f\n", $2 - $1}' >> "$WORK/list-$1"
}

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
} >> "$OUT/transcript"
cp "$OUT/transcript" "$OUT/report"
echo "$failed" > "$OUT/status"
