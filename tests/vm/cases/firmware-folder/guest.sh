# The window as packaged finds the images in the system's firmware folder that the package
# creates, with nothing on its command line (an empty folder stands in for the bench's
# "--images ."). The synthetic FW352B passes its guard on the bench's bus alone; the FW352A of
# the wrong size is named and not used, as the simulator on this folder does.
FOLDER=/usr/lib/firmware/kelm-fwupdate
mkdir -p "$FOLDER" "$WORK/no-images"
cp FW352A.bin FW352B.bin "$FOLDER/"
if plug_all && hold_open_nodes; then
  (cd "$WORK/no-images" && run_program)
  grep -qxF "kelm-fwupdate-scripted: $FOLDER/FW352A.bin: 20000 bytes, not 20480 bytes; not used" \
      "$OUT/program.log" || echo "the FW352A of the wrong size was not named" >> "$OUT/error"
fi
rm -rf "$FOLDER"
