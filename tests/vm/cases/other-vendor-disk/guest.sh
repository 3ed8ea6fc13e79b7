# A direct-access rule an administrator may add, a user without privileges, and beside the
# enclosure a USB disk of another vendor (enclosure 1, another idVendor), which the rule
# leaves alone on purpose: the window and then kelmtool list run as that user; their outputs
# make the transcript.
udev_rule "$(cat direct-access.rules)"
udev_rule 'TAG=="uaccess", SUBSYSTEM=="scsi_generic|block", OWNER="kelm"'
root_hands
usb_id 1 0x090c 0x1000
plug_all || return
other=$(sg_node 1 0)
as_user sh -c "test -r $other" && echo "kelm may use the other vendor's disk $other" >> "$OUT/error"
RUN_AS=kelm run_program
echo "\$ kelmtool list" >> "$OUT/transcript"
as_user kelmtool list >> "$OUT/transcript" 2>&1
