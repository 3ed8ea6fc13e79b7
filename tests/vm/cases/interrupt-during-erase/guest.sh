# kelmtool update interrupted twice: once while the bridge holds the first flash read (before
# any erase), once with SIGINT while it holds the first sector erase and SIGTERM while it
# holds the second. Each run's output goes into the transcript under a "$ kelmtool ..." line;
# the status is the second run's. The update gets a copy of FW352B with the JMB352 signature --image checks (see
# kelmtool-update); the bytes it writes from 4 KiB on are FW352B's.
{ head -c 4 FW352B.bin; printf 352B; tail -c +9 FW352B.bin; } > "$WORK/FW352B.bin"
plug_all || return
node=$(sg_node 0 0)
runs=0

# send_at LOG_TEXT SIGNAL [LOG_TEXT SIGNAL]...: sends each signal to kelmtool once the gadget
# logged its text (the bridge then holds a command, so the signal lands while kelmtool waits
# for it), and notes in told-before whether the notice was out before the signal was sent. A
# background job of this shell would ignore SIGINT, so kelmtool runs in the foreground and
# this helper in the background.
send_at() {
  local pid
  while [ $# -ge 2 ]; do
    if ! wait_gadget_log "$1" || ! pid=$(pidof kelmtool); then
      echo "the interrupt never landed at $1" >> "$OUT/error"
      return
    fi
    grep -q "the flash is being written" "$WORK/update.out" && echo "$2" >> "$WORK/told-before"
    kill -"$2" "$pid"
    shift 2
  done
}

# interrupt_at LOG_TEXT SIGNAL...: an update that gets the signals; its status in $WORK/status.
interrupt_at() {
  local sender
  runs=$((runs + 1))
  : > "$WORK/told-before"
  echo "\$ kelmtool update $node --image FW352B.bin" >> "$OUT/transcript"
  send_at "$@" &
  sender=$!
  timeout -s KILL 90 kelmtool update "$node" --image "$WORK/FW352B.bin" \
    --backup "$WORK/backup-$runs.bin" > "$WORK/update.out" 2>&1
  echo $? > "$WORK/status"
  wait "$sender"
  cat "$WORK/update.out" >> "$OUT/transcript"
}

interrupt_at "holding ReadFlash 1" INT
echo "check: the early interrupt stopped kelmtool with status $(cat "$WORK/status")" >> "$OUT/transcript"
if ! grep -q "$(printf '^out\tff041[134]')" "$WORK/trace" && \
    kelmtool backup "$node" "$WORK/early.bin" > /dev/null 2>&1 && cmp -s "$WORK/early.bin" old.bin; then
  echo "check: the flash is untouched after the early interrupt" >> "$OUT/transcript"
fi

interrupt_at "holding EraseFlashSector 1" INT "holding EraseFlashSector 2" TERM
cp "$WORK/status" "$OUT/status"
# The SIGINT was told before the second erase was held, when the SIGTERM went out.
[ "$(cat "$WORK/told-before")" = TERM ] && echo "check: told at the SIGINT" >> "$OUT/transcript"
[ "$(grep -c "the flash is being written" "$WORK/update.out")" = 1 ] &&
  echo "check: the notice was said once" >> "$OUT/transcript"
kelmtool backup "$node" "$WORK/after.bin" > /dev/null 2>&1
dd if="$WORK/after.bin" bs=4096 skip=1 count=8 2>/dev/null > "$WORK/after-image"
dd if=FW352B.bin bs=4096 skip=1 2>/dev/null > "$WORK/new-image"
if cmp -s "$WORK/after-image" "$WORK/new-image"; then
  echo "check: the flash holds the new image" >> "$OUT/transcript"
else
  echo "check: the flash does not hold the new image" >> "$OUT/transcript"
fi
