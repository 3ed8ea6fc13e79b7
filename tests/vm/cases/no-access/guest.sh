# kelm has no access to the enclosure's nodes (no rule gives it one).
plug_all && RUN_AS=kelm run_program
[ "$(grep -c 'Permission denied' "$OUT/transcript")" = 1 ] || echo "the notice did not come exactly once" >> "$OUT/error"
