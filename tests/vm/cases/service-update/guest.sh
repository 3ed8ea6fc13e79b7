# kelmtool run by kelm, a user with no access to the enclosure's nodes, updates the enclosure
# through the service, set up as the package sets it up: the system bus and polkitd of the
# host's packages, the bus policy, activation file and polkit actions installed, the service
# under the unit's capability bounding set. First with no polkit rule: the update is refused
# and not one command reaches the enclosure. Then with a rule that allows kelm: the update
# goes through and runs the procedure kelmtool runs on the simulated bench (the runner
# compares).
# Neither the sg node nor the disk carries the uaccess tag or an ACL for kelm, before or after.
plug_all || return
start_service_bus || { echo "the service (kelm-fwupdated, its system files) or the system bus is missing (see bus.log)" >> "$OUT/error"; return; }
node=$(sg_node 0 0)
disk=/dev/$(ls "/sys/class/scsi_generic/${node#/dev/}/device/block")
files=/tmp/kelm-files
mkdir -p "$files" && cp -L FW352B.bin "$files/" && chown -R kelm "$files"

grants() {  # WHEN: a line for every grant kelm has on the nodes, none when it has none
  local n
  for n in "$node" "$disk"; do
    getfacl -p "$n" 2>/dev/null | grep -q '^user:kelm:' && echo "check: $n has an ACL for kelm $1"
    udevadm info --query=property --name="$n" | grep -q '^TAGS=.*:uaccess:' &&
      echo "check: $n is tagged uaccess $1"
    as_user sh -c "test -r $n || test -w $n" && echo "check: kelm may open $n $1"
  done
  echo "check: grants looked at $1"
}
as_kelm() {  # what kelm runs in its folder, with its output and status in the transcript
  echo "\$ $*" >> "$OUT/transcript"
  (cd "$files" && as_user timeout -s KILL 120 "$@") >> "$OUT/transcript" 2>&1
  last=$?
  echo "status $last" >> "$OUT/transcript"
}
commands() { cat "$WORK/trace" 2>/dev/null | wc -l; }

grants "before the update" >> "$OUT/transcript"
as_kelm kelmtool update 0 --image FW352B.bin --backup refused.bin
echo "check: $(commands) bridge commands reached the enclosure without the rule" >> "$OUT/transcript"
[ -e "$files/refused.bin" ] && echo "check: a backup was written without the rule" >> "$OUT/transcript"

polkit_rule 'polkit.addRule(function(action, subject) {
  if (action.id.indexOf("org.kelm.fwupdate.") == 0 && subject.user == "kelm")
    return polkit.Result.YES;
});'
# polkitd reads rules again when they change, but a fresh start reads them for certain: the
# bus starts it again on the service's next question.
for pid in $(pidof polkitd); do kill -TERM "$pid"; done
wait_for 10 eval '! pidof polkitd > /dev/null'
as_kelm kelmtool update 0 --image FW352B.bin --backup before.bin
status=$last
if cmp -s "$files/before.bin" old.bin; then
  echo "check: the backup equals the old flash"
else
  echo "check: the backup differs from the old flash"
fi >> "$OUT/transcript"
grants "after the update" >> "$OUT/transcript"
# Every start of the service, with the bounding set it had.
starts=$(grep -c . /run/kelm-service-caps 2>/dev/null)
if [ "${starts:-0}" -gt 0 ] && ! grep -qv '^CapBnd:[[:space:]]*0*$' /run/kelm-service-caps; then
  echo "check: the service started ${starts} time(s), every time without any capability"
else
  echo "check: the service started ${starts:-0} time(s), with: $(cut -f2 /run/kelm-service-caps 2>/dev/null | tr '\n' ' ')"
fi >> "$OUT/transcript"
cp "$OUT/transcript" "$OUT/report"
echo "$status" > "$OUT/status"
