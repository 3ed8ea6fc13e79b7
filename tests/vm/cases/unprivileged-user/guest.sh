# The update run by kelm, a user without any capability and outside the disk group, with
# read-write access to the enclosure's nodes from a direct-access udev rule: its "uaccess"
# tag, which logind turns into an ACL for the user at the seat, makes kelm the nodes' owner
# here (the guest has no seat). The plug and unplug of the script are done by root for it.
udev_rule "$(cat direct-access.rules)"
udev_rule 'TAG=="uaccess", SUBSYSTEM=="scsi_generic|block", OWNER="kelm"'
root_hands
plug_all || return
node=$(sg_node 0 0)
as_user sh -c "test -w $node" || echo "the rule gave kelm no access to $node" >> "$OUT/error"
as_user grep -q '^CapEff:[[:space:]]*0*$' /proc/self/status || echo "kelm has capabilities" >> "$OUT/error"
RUN_AS=kelm run_program
