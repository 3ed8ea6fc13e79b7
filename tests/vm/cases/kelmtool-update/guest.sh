# kelmtool on the main-task enclosure, on the kernel's own stack: list (text and JSON), an
# update with --wait (this script pulls and plugs the enclosure while kelmtool waits on udev),
# then a restore of the backup the update wrote first. Every step's output goes into the
# transcript under a "$ kelmtool ..." line; the status is the first failing step's. The disk
# carries a FAT filesystem that mounts before the update and not while kelmtool waits for the
# re-plug: the updated enclosure stays claimed until it leaves.
#
# The synthetic FW352B carries the JMB352 file signature at bytes 4-7, which --image checks,
# and the synthetic-image marker: only a drive on dummy_hcd may take it.
failed=0
step_status() { [ "$failed" -eq 0 ] && [ "$1" -ne 0 ] && failed=$1; }
step() {
  echo "\$ $*" >> "$OUT/transcript"
  timeout -s KILL 60 "$@" >> "$OUT/transcript" 2>&1
  step_status $?
}

cp -L FW352B.bin "$WORK/FW352B.bin"
plug_all || return
node=$(sg_node 0 0)
disk=/dev/$(ls "/sys/class/scsi_generic/${node#/dev/}/device/block")
mounts() {  # CHECK: whether the disk's filesystem mounts now
  if mount -t vfat "$disk" /tmp/mnt 2>/dev/null; then
    umount /tmp/mnt
    echo "check: the disk mounts $1"
  else
    echo "check: the disk does not mount $1"
  fi >> "$OUT/transcript"
}
modprobe vfat && modprobe nls_cp437 && modprobe nls_ascii
mkdir -p /tmp/mnt
mkdosfs "$disk" > /dev/null
mounts "before the update"
step kelmtool list
echo "\$ kelmtool list --json" >> "$OUT/transcript"
timeout -s KILL 60 kelmtool list --json > "$OUT/list.json" 2>> "$OUT/transcript"
step_status $?
cat "$OUT/list.json" >> "$OUT/transcript"

echo "\$ kelmtool update $node --image FW352B.bin --backup before.bin --wait" >> "$OUT/transcript"
timeout -s KILL 90 kelmtool update "$node" --image "$WORK/FW352B.bin" --backup "$WORK/before.bin" \
  --wait > "$WORK/update.out" 2>&1 &
update=$!
if wait_for 60 grep -q "Waiting for the enclosure" "$WORK/update.out"; then
  mounts "while kelmtool waits for the re-plug"
  unplug_all
  wait_for 10 eval '! sg_node 0 0 > /dev/null'
  bind_in_order
fi
wait "$update"
step_status $?
cat "$WORK/update.out" >> "$OUT/transcript"

step kelmtool restore "$(sg_node 0 0)" "$WORK/before.bin" --backup "$WORK/after.bin"

if cmp -s "$WORK/before.bin" old.bin; then
  echo "check: the backup equals the old flash"
else
  echo "check: the backup differs from the old flash"
fi >> "$OUT/transcript"
echo "$failed" > "$OUT/status"
