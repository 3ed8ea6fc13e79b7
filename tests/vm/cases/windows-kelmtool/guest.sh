# kelmtool.exe under the host's Wine against the Linux kelmtool, on the main-task enclosure on
# the kernel's own stack. Wine reaches the bridge through its own IOCTL_SCSI_PASS_THROUGH_DIRECT,
# which it carries out with SG_IO on the Unix device behind a DOS device: drive E: and the
# interface path the registry lists (see the wine file) are dosdevices links to the sg node.
# list, backup and update run on each side on a fresh enclosure; the bridge commands (time-out
# and path aside) and the flash each side leaves must be the same.
#
# kelmtool.exe takes a synthetic image on no drive (Windows has no simulated bus to tell), so
# both sides update with a copy of FW352B whose marker is overwritten and whose bytes 4-7 carry
# the JMB352 signature. The copy lives only in this guest's memory, whose one drive is the
# simulated enclosure; the bytes written (from 4 KiB on) are FW352B's.
. /share/host-paths
HOST=/host
WINE_PREFIX=/tmp/wine/prefix
INTERFACE='usbstor#disk&ven_kelm&prod_enclosure_352#kelm00000000&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}'
failed=0
step_status() { [ "$failed" -eq 0 ] && [ "$1" -ne 0 ] && failed=$1; }

# Wine from the host's root: its prefix an overlay over the one the bench prepared, /tmp (and
# with it $WORK) shared with the chroot.
wine_root() {
  [ -d "$HOST/usr/lib/wine" ] || { echo "no host root with Wine in the guest" >> "$OUT/error"; return 1; }
  insmod "$HOST$ROOT/build/vm/kernel/lib/modules/$KVER/kernel/fs/overlayfs/overlay.ko" 2>/dev/null
  mkdir -p /tmp/wine/upper /tmp/wine/work "$WINE_PREFIX"
  mount -t overlay overlay -o "lowerdir=$HOST$ROOT/build/vm/wine-prefix,upperdir=/tmp/wine/upper,workdir=/tmp/wine/work" \
    "$WINE_PREFIX" || { echo "cannot lay the Wine prefix over tmpfs" >> "$OUT/error"; return 1; }
  mount -o bind /dev "$HOST/dev" && mount -o bind /proc "$HOST/proc" && mount -o bind /sys "$HOST/sys" &&
    mount -o rbind /tmp "$HOST/tmp" || { echo "cannot make the Wine chroot" >> "$OUT/error"; return 1; }
}

wine_unroot() {
  chroot "$HOST" env WINEPREFIX="$WINE_PREFIX" wineserver -k 2>/dev/null
  umount -l "$HOST/tmp" "$HOST/sys" "$HOST/proc" "$HOST/dev" "$WINE_PREFIX" 2>/dev/null
}

wine_links() {
  ln -sfn "$1" "$WINE_PREFIX/dosdevices/e::"
  ln -sfn "$1" "$WINE_PREFIX/dosdevices/$INTERFACE"
}

# SIDE NAME ARGS...: one kelmtool run with its bridge trace, under the transcript line.
run_side() {
  local side=$1 name=$2
  shift 2
  echo "\$ [$side] kelmtool $*" >> "$OUT/transcript"
  if [ "$side" = linux ]; then
    timeout -s KILL 60 kelmtool --trace "$WORK/$side/$name.trace" "$@" >> "$OUT/transcript" 2>&1
  else
    timeout -s KILL 120 chroot "$HOST" env -i PATH=/usr/bin:/bin HOME=/tmp WINEPREFIX="$WINE_PREFIX" \
      WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
      wine "$WORK/kelmtool.exe" --trace "$WORK/$side/$name.trace" "$@" < /dev/null > "$WORK/$side/$name.out" 2>&1
    step_status $?
    tr -d '\r' < "$WORK/$side/$name.out" >> "$OUT/transcript"
    return
  fi
  step_status $?
}

# SIDE DEVICE: list, backup and update on a freshly served enclosure; its flash afterwards.
sequence() {
  local side=$1 device=$2
  mkdir -p "$WORK/$side"
  run_side "$side" list list
  run_side "$side" backup backup "$device" "$WORK/$side/backup.bin"
  run_side "$side" update update "$device" --image "$WORK/FW352B.bin" --backup "$WORK/$side/before.bin"
  unplug_all
  remove_gadget 0
  mv "$WORK/dump/device-0.bin" "$WORK/$side/flash.bin"
}

{ head -c 4 FW352B.bin; printf 352B; tail -c +9 FW352B.bin | head -c 8; printf 'KELM-BENCH-ONLY-COPY.....';
  tail -c +42 FW352B.bin; } > "$WORK/FW352B.bin"

plug_all || return
sequence linux "$(sg_node 0 0)"

: > "$WORK/unplug"
make_gadget 0
# Run from the 9p share of the host's root, the program's main thread overflows its stack at
# start (Wine's system DLLs load from there without harm); from tmpfs it runs. Copied before the
# chroot's /tmp hides a worktree that lives under the host's /tmp.
cp "$HOST$ROOT/build/windows/bin/kelmtool.exe" "$WORK/kelmtool.exe"
wine_root || return
plug_all || { wine_unroot; return; }
wine_links "$(sg_node 0 0)"
sequence windows E:
wine_unroot

# The bridge commands without the time-out and path columns, and without failed opens.
bridge() { grep -v '^open-fail' "$1" | cut -f1-3,5-7; }
for name in list backup update; do
  for side in linux windows; do bridge "$WORK/$side/$name.trace" > "$WORK/$side/$name.bridge"; done
  if [ -s "$WORK/linux/$name.bridge" ] && cmp -s "$WORK/linux/$name.bridge" "$WORK/windows/$name.bridge"; then
    echo "check: $name sends the same bridge commands"
  else
    echo "check: $name differs: $(diff "$WORK/linux/$name.bridge" "$WORK/windows/$name.bridge" 2>&1 | sed -n 3p | cut -c1-100)"
  fi
done >> "$OUT/transcript"
for file in flash.bin backup.bin before.bin; do
  if cmp -s "$WORK/linux/$file" "$WORK/windows/$file"; then
    echo "check: $file is the same on both sides"
  else
    echo "check: $file differs"
  fi
done >> "$OUT/transcript"
cmp -s "$WORK/linux/flash.bin" old.bin && echo "check: the update left the old flash" >> "$OUT/transcript"
cp -r "$WORK/linux" "$WORK/windows" "$OUT/"
echo "$failed" > "$OUT/status"
