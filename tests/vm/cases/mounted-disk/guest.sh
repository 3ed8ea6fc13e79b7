# The enclosure's disk carries a FAT filesystem, mounted: YES gives the "Error" box, naming the
# filesystem to unmount, and nothing is erased or written. Unmounted, the program (run again) updates it as the
# simulator does.
error() { echo "$*" >> "$OUT/error"; }
modprobe vfat && modprobe nls_cp437 && modprobe nls_ascii
plug_all || return
node=$(sg_node 0 0)
disk=/dev/$(ls "/sys/class/scsi_generic/${node#/dev/}/device/block")
mkdir -p /tmp/mnt
mkdosfs "$disk" > /dev/null && mount -t vfat "$disk" /tmp/mnt || { error "cannot mount $disk"; return; }
udevadm settle -t 10
SCRIPT=show,yes,show,exit run_program
mv "$OUT/transcript" "$OUT/transcript-mounted"
grep -q '^msgbox Error: The drive .* is in use' "$OUT/transcript-mounted" || error "no \"in use\" box while mounted"
# The box's second paragraph says what to unmount, as the mount table names it.
grep -qF "Its filesystem is mounted: $disk on /tmp/mnt. Unmount it, then try again." "$OUT/transcript-mounted" ||
  error "the box does not name the mounted filesystem"
[ "$(cat "$OUT/status")" = 0 ] || error "the mounted run ended with status $(cat "$OUT/status")"
grep -qE "$(printf '^out\tff04(1[134]|0[1245])')" "$WORK/trace" && error "a flash command reached the bridge while mounted"
# The gadgets keep appending to the same file: the trace of the run unmounted starts empty.
cp "$WORK/trace" "$OUT/trace-mounted" && : > "$WORK/trace"
umount /tmp/mnt || error "cannot unmount $disk"
udevadm settle -t 10
run_program
