# The program is stopped (SIGSTOP) and continued (SIGCONT) while the bridge holds the first
# sector erase. The simulator's trace then shows the bridge got every command exactly once.
plug_all || return
run_program &
job=$!
if wait_gadget_log "holding EraseFlashSector 1" && pid=$(program_pid) && kill -STOP "$pid"; then
  usleep 300000
  grep -q '^State:.*T' "/proc/$pid/status" || echo "the program did not stop" >> "$OUT/error"
  usleep 300000
  kill -CONT "$pid"
  grep -q "$(printf '^out\tff0414')" "$WORK/trace" && echo "the erase ended before the program went on" >> "$OUT/error"
else
  echo "the stop never landed in the erase" >> "$OUT/error"
fi
wait "$job"
