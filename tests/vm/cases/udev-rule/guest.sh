# The udev rule as packaged, installed where the package puts it: the enclosure's sg node and
# disk get the "uaccess" tag, a USB disk of another vendor (enclosure 1, another idVendor)
# gets neither. One transcript line per node: "NAME: uaccess" or "NAME: no uaccess", then
# udev's own TAGS lines.
RULE=/usr/lib/udev/rules.d/70-kelm-fwupdate.rules
cp /usr/lib/kelm/70-kelm-fwupdate.rules "$RULE"
udevadm control --reload
usb_id 1 0x1d6b 0x0104

block_of() { echo "/dev/$(ls "/sys/class/scsi_generic/${1#/dev/}/device/block" 2>/dev/null)"; }
tagged() {  # NAME NODE
  local properties
  properties=$(udevadm info --query=property --name="$2" 2>&1)
  if echo "$properties" | grep -q '^TAGS=.*:uaccess:' &&
     echo "$properties" | grep -q '^CURRENT_TAGS=.*:uaccess:'; then
    echo "$1: uaccess"
  else
    echo "$1: no uaccess"
  fi
  echo "$properties" | grep -E '^(DEVNAME|TAGS|CURRENT_TAGS)=' | sed 's/^/  /'
}

if plug_all; then
  enclosure=$(sg_node 0 0) other=$(sg_node 1 0)
  {
    tagged "enclosure sg node" "$enclosure"
    tagged "enclosure disk" "$(block_of "$enclosure")"
    tagged "other disk's sg node" "$other"
    tagged "other disk" "$(block_of "$other")"
  } > "$OUT/transcript"
  echo 0 > "$OUT/status"
fi
rm -f "$RULE"
udevadm control --reload
