# A direct-access rule an administrator may add, a user without privileges, and beside the
# enclosure a USB disk of another vendor (enclosure 1, another idVendor), which the rule
# leaves alone on purpose: the window and then kelmtool list (through the service) run as that
# user; their outputs make the transcript.
udev_rule "$(cat direct-access.rules)"
# What logind does for the user at the seat (the guest has none): an ACL on the tagged nodes,
# which stay root's, so the service (root without capabilities) still opens them.
udev_rule 'TAG=="uaccess", SUBSYSTEM=="scsi_generic|block", RUN+="/usr/bin/setfacl -m u:kelm:rw $env{DEVNAME}"'
root_hands
usb_id 1 0x090c 0x1000
plug_all || return
other=$(sg_node 1 0)
as_user sh -c "test -r $other" && echo "kelm may use the other vendor's disk $other" >> "$OUT/error"
RUN_AS=kelm run_program
# kelmtool as a user lists through the service, which polkit lets kelm ask.
start_service_bus || echo "the service or the system bus is missing" >> "$OUT/error"
polkit_rule 'polkit.addRule(function(action, subject) {
  if (action.id == "org.kelm.fwupdate.identify" && subject.user == "kelm") return polkit.Result.YES;
});'
echo "\$ kelmtool list" >> "$OUT/transcript"
as_user kelmtool list >> "$OUT/transcript" 2>&1
