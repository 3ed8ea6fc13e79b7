# Helpers of the bench guest (busybox sh). run_case serves a case folder's scenario on USB
# gadgets, runs the case and collects its results into OUT:
#   transcript, status (the program's exit status), trace, dump/device-<i>.bin,
#   program.log, gadget.log, kernel.log
#
# A case that needs more than "plug, hold the held_open nodes, run the script" carries a
# guest.sh. It is sourced (in a subshell, from the case folder) instead of that default once
# the gadgets are made and served but not plugged in, and uses:
#   $CASE $OUT $WORK        the case folder, its result folder, a scratch folder
#   plug_all / unplug_all   bind / unbind every gadget; plug_all waits until the nodes exist
#   usb_id K VENDOR PRODUCT enclosure K shows these USB ids (before it is plugged)
#   sg_node K LUN           the /dev/sgN of logical unit LUN of enclosure K
#   hold_open_nodes         hold the node of every scenario device with held_open
#   hold NODE               a background process holds NODE open (read-only) until the end
#   as_user CMD...          CMD as the unprivileged user kelm (uid 1000)
#   udev_rule RULE          add a udev rule for this case (removed when the case ends)
#   run_program [ARGS...]   the scripted hardware program on the case's script, images "."
#                           (RUN_AS=kelm runs it as that user; SCRIPT=ACTIONS runs those)
#   root_hands              the program's plug and unplug commands work for a program run
#                           as kelm too: they ask a root helper of the case to do them
#   program_pid             the pid of the running scripted program (waits for it, bounded)
#   wait_gadget_log TEXT    waits (bounded) until a gadget said TEXT on its standard error
#   start_service_bus       the system bus and polkitd as the host's packages set them up,
#                           with the service's files installed as the package installs them
#   polkit_rule TEXT        a polkit rules file for this case (removed when the case ends)
# Everything started is stopped when the case ends; every wait is bounded. The plug and
# unplug commands the program runs write the gadgets' UDC files, which only root may do.

GADGETS=/sys/kernel/config/usb_gadget
export QT_QPA_PLATFORM=offscreen HOME=/tmp XDG_RUNTIME_DIR=/tmp/xdg

# wait_for SECONDS CMD...: true as soon as CMD succeeds, false once SECONDS have passed.
wait_for() {
  local deadline=$(( $(date +%s) + $1 ))
  shift
  while ! "$@"; do
    [ "$(date +%s)" -ge "$deadline" ] && return 1
    usleep 20000
  done
}

enclosures() { cut -d' ' -f1 "$WORK/luns" | sort -nu; }

# A glob, not a readlink per node: the plug waits poll this, and a process per node and poll
# costs seconds with sixteen enclosures.
sg_node() {
  local dir
  for dir in /sys/devices/platform/dummy_hcd."$1"/usb*/*/*/host*/target*/*:"$2"/scsi_generic/sg*; do
    [ -e "/dev/${dir##*/}" ] && echo "/dev/${dir##*/}" && return 0
  done
  return 1
}

enclosure_attached() {
  local k lun rest
  while read -r k lun rest; do
    [ "$k" = "$1" ] || continue
    sg_node "$k" "$lun" >/dev/null || return 1
  done < "$WORK/luns"
}

make_gadget() {
  local k=$1 g=$GADGETS/g$1
  mkdir -p "$g/strings/0x409" "$g/configs/c.1/strings/0x409" "$g/functions/ffs.k$k" "/dev/ffs-k$k"
  echo 0x152d > "$g/idVendor"
  echo 0x2352 > "$g/idProduct"
  echo 0x0100 > "$g/bcdDevice"
  echo 0x0200 > "$g/bcdUSB"
  echo Kelm > "$g/strings/0x409/manufacturer"
  echo "Kelm Bridge" > "$g/strings/0x409/product"
  printf 'KELM%08d\n' "$k" > "$g/strings/0x409/serialnumber"
  echo 100 > "$g/configs/c.1/MaxPower"
  ln -s "$g/functions/ffs.k$k" "$g/configs/c.1/"
  mount -t functionfs "k$k" "/dev/ffs-k$k"
  # shellcheck disable=SC2086 # GADGET_OPTIONS are words
  ( cd "$CASE" && exec kelm-bridge-gadget --scenario scenario.json --enclosure "$k" \
      --ffs "/dev/ffs-k$k" --ready "$WORK/ready-$k" --trace "$WORK/trace" --dump "$WORK/dump" \
      --udc "$g/UDC" $GADGET_OPTIONS ) >> "$OUT/gadget.log" 2>&1 &
  echo $! > "$WORK/gadget-$k.pid"
  wait_for 5 test -f "$WORK/ready-$k" || echo "gadget $k did not start" >> "$OUT/error"
  printf 'echo "" > %s/UDC\n' "$g" >> "$WORK/unplug"
}

usb_id() {
  echo "$2" > "$GADGETS/g$1/idVendor"
  echo "$3" > "$GADGETS/g$1/idProduct"
}

remove_gadget() {
  local k=$1 g=$GADGETS/g$1 pid
  echo "" > "$g/UDC" 2>/dev/null
  pid=$(cat "$WORK/gadget-$k.pid" 2>/dev/null)
  if [ -n "$pid" ]; then
    kill -TERM "$pid" 2>/dev/null
    wait_for 5 eval "! kill -0 $pid 2>/dev/null" || kill -KILL "$pid" 2>/dev/null
  fi
  umount "/dev/ffs-k$k" 2>/dev/null
  rm -f "$g/configs/c.1/ffs.k$k"
  rmdir "$g/configs/c.1/strings/0x409" "$g/configs/c.1" "$g/functions/ffs.k$k" \
        "$g/strings/0x409" "$g" 2>/dev/null
}

# One enclosure at a time, each once its nodes exist, so the sg nodes are numbered in the
# scenario's order on every plug (the program lists drives in that order).
bind_in_order() {
  local k
  for k in $(enclosures); do
    echo "dummy_udc.$k" > "$GADGETS/g$k/UDC"
    wait_for 10 enclosure_attached "$k" || { echo "enclosure $k did not attach" >> "$OUT/error"; return 1; }
  done
}

plug_all() { bind_in_order && udevadm settle -t 10; }

unplug_all() { sh "$WORK/unplug"; }

hold() {
  # Its output goes nowhere: a plug command that starts it must not keep a pipe open.
  sleep 100000 < "$1" > /dev/null 2>&1 &
  echo $! >> "$WORK/pids"
}

hold_open_nodes() {
  local k lun index class held node
  while read -r k lun index class held; do
    [ "$held" = 1 ] || continue
    node=$(sg_node "$k" "$lun") && hold "$node"
  done < "$WORK/luns"
}

CASE_RULES=/etc/udev/rules.d/99-kelm-case.rules

udev_rule() {
  mkdir -p "${CASE_RULES%/*}"
  echo "$*" >> "$CASE_RULES"
  udevadm control --reload
}

# busybox su reads options after the user too, so the command goes as one quoted string.
as_user() {
  local command="exec" arg
  for arg in "$@"; do
    command="$command '$(printf '%s' "$arg" | sed "s/'/'\\\\''/g")'"
  done
  su -p -s /bin/sh -c "$command" kelm
}

run_program() {
  local runner=""
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 0700 "$XDG_RUNTIME_DIR"
  if [ "$RUN_AS" = kelm ]; then
    runner=as_user
    # The user's own runtime folder, as a session gives it.
    mkdir -p /tmp/xdg-kelm && chown kelm /tmp/xdg-kelm && chmod 0700 /tmp/xdg-kelm
    export XDG_RUNTIME_DIR=/tmp/xdg-kelm
  fi
  $runner timeout -s KILL "${PROGRAM_TIMEOUT:-150}" kelm-fwupdate-scripted --images . \
      --script "${SCRIPT:-$(cat "$CASE/script")}" --unplug-command "sh $WORK/unplug" \
      --plug-command "sh $WORK/plug" "$@" > "$OUT/transcript" 2> "$OUT/program.log"
  echo $? > "$OUT/status"
}

# Writing a UDC file is root's: the plug and unplug commands a program run as kelm uses
# write the action's name into a FIFO and wait for the root helper's answer on another.
root_hands() {
  mkfifo -m 0622 "$WORK/hands" && mkfifo -m 0644 "$WORK/hands-done" || return 1
  mv "$WORK/unplug" "$WORK/unplug-root"
  (
    while read -r action < "$WORK/hands"; do
      case "$action" in
        unplug) sh "$WORK/unplug-root" ;;
        plug) sh "$WORK/plug-root" ;;
      esac
      echo done > "$WORK/hands-done"
    done
  ) > /dev/null 2>&1 &
  echo $! >> "$WORK/pids"
  # Bounded on both sides: a helper that never answers leaves the program's wait to time out.
  echo "echo unplug > $WORK/hands && timeout 30 cat $WORK/hands-done > /dev/null" > "$WORK/unplug"
  mv "$WORK/plug" "$WORK/plug-root"
  echo "echo plug > $WORK/hands && timeout 30 cat $WORK/hands-done > /dev/null" > "$WORK/plug"
}

program_pid() {
  wait_for 10 pidof kelm-fwupdate-scripted > /dev/null && pidof kelm-fwupdate-scripted
}

wait_gadget_log() { wait_for "${2:-20}" grep -qF -- "$1" "$OUT/gadget.log"; }

# The guest has no systemd to apply the unit: the bus starts the service through its own
# setuid helper, with the unit's capability bounding set applied by setpriv (nothing else of
# the unit's sandbox). polkitd is started by the bus on the service's first question.
start_service_bus() {
  local system=/usr/lib/kelm/system caps bounding=-all cap
  grep -q '^messagebus:' /etc/passwd || cat /usr/lib/kelm/bus-users >> /etc/passwd
  [ -s /etc/machine-id ] || echo 4b656c6d2062656e6368206775657374 > /etc/machine-id
  mkdir -p /run/dbus /usr/libexec /usr/share/polkit-1/actions /etc/polkit-1/rules.d /var
  # GLib's programs (polkitd) find the system bus under /var/run, as on Debian.
  [ -e /var/run ] || ln -s /run /var/run
  cp /usr/lib/kelm/kelm-fwupdated /usr/libexec/kelm-fwupdated || return 1
  cp "$system/org.kelm.FirmwareUpdate1.conf" /usr/share/dbus-1/system.d/ || return 1
  cp "$system/org.kelm.fwupdate.policy" /usr/share/polkit-1/actions/ || return 1
  caps=$(sed -n 's/^CapabilityBoundingSet=//p' "$system/kelm-fwupdated.service" | tail -1)
  for cap in $caps; do
    bounding="$bounding,+$(echo "${cap#CAP_}" | tr 'A-Z' 'a-z')"
  done
  # Each start notes the bounding set the service got, in /run/kelm-service-caps.
  sed "s|^Exec=/usr/libexec/kelm-fwupdated|Exec=/usr/bin/setpriv --bounding-set=$bounding --inh-caps=-all --no-new-privs /bin/sh -c 'grep ^CapBnd /proc/self/status >> /run/kelm-service-caps; exec /usr/libexec/kelm-fwupdated'|" \
    "$system/org.kelm.FirmwareUpdate1.service" > /usr/share/dbus-1/system-services/org.kelm.FirmwareUpdate1.service
  rm -f /run/dbus/pid
  dbus-daemon --system >> "$OUT/bus.log" 2>&1 || return 1
  cat /run/dbus/pid >> "$WORK/pids"
  # The service and polkitd, once the bus has started them, end with the case too.
  echo 'for p in $(pidof kelm-fwupdated polkitd); do kill -KILL $p; done' >> "$WORK/at-end"
  wait_for 10 test -S /run/dbus/system_bus_socket
}

polkit_rule() {
  echo "$*" > /etc/polkit-1/rules.d/50-kelm-case.rules
  echo 'rm -f /etc/polkit-1/rules.d/50-kelm-case.rules' >> "$WORK/at-end"
}

default_case() { plug_all && hold_open_nodes && run_program; }

run_case() {
  CASE=$1 OUT=$2 WORK=/tmp/case
  export CASE OUT WORK
  rm -rf "$WORK" "$OUT"
  mkdir -p "$WORK/dump" "$OUT/dump"
  # The program's plug: the gadgets back in order, held nodes held again (a node held
  # before an unplug is gone with it).
  echo ". /usr/lib/kelm/guest-lib.sh && bind_in_order && hold_open_nodes" > "$WORK/plug"
  : > "$WORK/unplug"; : > "$WORK/pids"; : > "$WORK/at-end"
  echo "vm: case $(basename "$CASE")" > /dev/console
  dmesg -c > /dev/null
  if ! (cd "$CASE" && kelm-bridge-gadget --scenario scenario.json --list) > "$WORK/luns" 2>> "$OUT/gadget.log"; then
    echo "the gadget refused the scenario" >> "$OUT/error"
    return
  fi
  GADGET_OPTIONS=$(cat "$CASE/wire" "$CASE/gadget" 2>/dev/null | sed -n 's/^gadget //p' | tr '\n' ' ')
  local k
  for k in $(enclosures); do make_gadget "$k"; done
  if [ -f "$CASE/guest.sh" ]; then
    (cd "$CASE" && . ./guest.sh)
  else
    (cd "$CASE" && default_case)
  fi
  for pid in $(cat "$WORK/pids"); do kill -KILL "$pid" 2>/dev/null; done
  sh "$WORK/at-end" 2>/dev/null
  if [ -f "$CASE_RULES" ]; then rm -f "$CASE_RULES"; udevadm control --reload; fi
  for k in $(enclosures); do remove_gadget "$k"; done
  cp "$WORK/trace" "$OUT/trace" 2>/dev/null || : > "$OUT/trace"
  cp "$WORK"/dump/* "$OUT/dump/" 2>/dev/null
  dmesg -c > "$OUT/kernel.log"
}
