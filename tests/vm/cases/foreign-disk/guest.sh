# As root, beside the enclosure, a USB disk on another maker's bridge (enclosure 1, another
# idVendor): root may open its sg node, so the probe reaches it and its CHECK CONDITION alone
# keeps it out. The window and then kelmtool list run; their outputs make the transcript.
usb_id 1 0x090c 0x1000
plug_all || return
run_program
echo "\$ kelmtool list" >> "$OUT/transcript"
kelmtool list >> "$OUT/transcript" 2>&1
