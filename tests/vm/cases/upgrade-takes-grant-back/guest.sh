# The package's postinst, configuring over a version whose udev rule gave the user at the seat
# an ACL on the enclosures' nodes: the grant is taken back from the enclosure's sg node and
# disk, and an ACL on another vendor's USB disk (enclosure 1), which the package never
# granted, stays. dpkg is not in the guest: a stand-in answers the version comparison as dpkg
# would for 0.0.2.
usb_id 1 0x090c 0x1000
plug_all || return
enclosure=$(sg_node 0 0) other=$(sg_node 1 0)
block_of() { echo "/dev/$(ls "/sys/class/scsi_generic/${1#/dev/}/device/block")"; }
nodes="$enclosure $(block_of "$enclosure") $other $(block_of "$other")"
# shellcheck disable=SC2086 # a list of nodes
setfacl -m u:kelm:rw $nodes
mkdir -p "$WORK/bin"
printf '#!/bin/sh\n[ "$1" = --compare-versions ] && [ "$2" = 0.0.2 ] && [ "$3" = le ]\n' > "$WORK/bin/dpkg"
chmod +x "$WORK/bin/dpkg"
# busybox's shell runs its own dpkg applet whatever PATH says: the copy names the stand-in.
sed "s|dpkg --compare-versions|$WORK/bin/dpkg --compare-versions|" postinst > "$WORK/postinst"
sh "$WORK/postinst" configure 0.0.2 > "$OUT/program.log" 2>&1
echo $? > "$OUT/status"
udevadm settle -t 10
for node in $nodes; do
  if getfacl -p "$node" 2>/dev/null | grep -q '^user:kelm:'; then
    echo "$node: ACL for kelm"
  else
    echo "$node: no ACL for kelm"
  fi
done > "$OUT/transcript"
echo "enclosure: $enclosure $(block_of "$enclosure"); other: $other $(block_of "$other")" >> "$OUT/transcript"
