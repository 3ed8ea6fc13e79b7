#!/bin/sh
# Request times on a real sg node, three ways: the program's own transport and Linux backend
# (a fresh open per command), a bare SG_IO loop on one descriptor (both by kelm-sg-timing),
# and one sg_raw process per request, as a person sends them by hand. Prints, per request, the
# three medians and the ratios program / bare loop and sg_raw / program. Times are reported,
# never judged; the exit status is 1 only when a request failed.
#
# usage: kelm-sg-timing-case /dev/sgN [path/to/kelm-sg-timing]
# Needs sg_raw (sg3-utils) and ts (busybox or moreutils); runs under busybox sh.
set -eu

node=${1:?usage: kelm-sg-timing-case /dev/sgN [path/to/kelm-sg-timing]}
timer=${2:-$(dirname "$0")/kelm-sg-timing}
if command -v ts >/dev/null 2>&1; then stamp=ts; else stamp="busybox ts"; fi

status=0
measured=$("$timer" "$node") || status=1
echo "$measured" | grep -E '^(failed|mismatch) ' >&2 || true

# One line per sg_raw run, stamped with the seconds since the line before; the first line
# only starts the clock. The CDBs are cycled.
sg_raw_runs() {  # LENGTH COUNT CDB_HEX...
  length=$1 count=$2
  shift 2
  n=0
  for hex in "$@"; do
    eval "cdb_$n=\"$(echo "$hex" | sed 's/../& /g')\""
    n=$((n + 1))
  done
  {
    echo start
    i=0
    while [ "$i" -lt "$count" ]; do
      eval "cdb=\$cdb_$((i % n))"
      # shellcheck disable=SC2086 # the CDB's bytes are separate arguments
      if sg_raw -r "$length" -o /dev/null "$node" $cdb >/dev/null 2>&1; then echo ok; else echo fail; fi
      i=$((i + 1))
    done
  } | $stamp -i '%.s' | sed 1d
}

median_us() {  # seconds, one a line, in any order
  sort -n | awk '{ v[NR] = $1 }
    END { if (NR == 0) { print "-"; exit }
          m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
          printf "%.1f\n", m * 1e6 }'
}

field() {  # KIND WAY-OR-REQUEST REQUEST: the value column of kelm-sg-timing's line
  echo "$measured" | awk -v a="$1" -v b="$2" -v c="$3" '$1 == a && $2 == b && $3 == c { print $4; exit }'
}

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b + 0 == 0) print "-"; else printf "%.2f\n", a / b }'
}

for entry in ReadFlashStatus:500 ReadFlash:64; do
  request=${entry%%:*} count=${entry#*:}
  length=$(echo "$measured" | awk -v r="$request" '$1 == "cdb" && $2 == r { print $3; exit }')
  cdbs=$(echo "$measured" | awk -v r="$request" '$1 == "cdb" && $2 == r { print $4 }')
  if [ -z "$length" ]; then
    echo "timing: kelm-sg-timing gave no CDB for $request" >&2
    exit 1
  fi
  # shellcheck disable=SC2086 # one argument per CDB
  runs=$(sg_raw_runs "$length" "$count" $cdbs)
  failed=$(echo "$runs" | awk '$2 == "fail"' | wc -l)
  if [ "$failed" -ne 0 ]; then
    echo "failed sg_raw $request $failed of $count" >&2
    status=1
  fi
  program=$(field median-us program "$request")
  bare=$(field median-us bare "$request")
  sgraw=$(echo "$runs" | awk '{ print $1 }' | median_us)
  echo "$request ($count requests of $length bytes), median per request: program ${program:--} us," \
    "bare loop ${bare:--} us, sg_raw ${sgraw} us; program/bare $(ratio "${program:--}" "${bare:--}")," \
    "sg_raw/program $(ratio "$sgraw" "${program:--}")"
done
exit "$status"
