#!/usr/bin/env bash
# Stress and kill tests of the account renumbering and the log:
#   torture.sh WORKER native|wine
# WORKER is parlet_torture (Torture.cpp). Checks that
#  - 8 processes renumbering one account file at once, 10 times each, leave it intact;
#  - 50 SIGKILLs at random moments of renumbering leave the old or a new file, never a mix
#    and never an empty file;
#  - a log whose writer is killed holds every entry it wrote, whole, and 8 processes
#    appending large entries to one log never mix them;
#  - 50 SIGKILLs of processes changing the outbox leave it sound, every message whole;
#  - a kill while a retry sends leaves the message in state unknown at the next start,
#    and it is not sent again on its own.
# Prints the figures it measured.
set -u
worker="$1" mode="$2"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d "${TMPDIR:-/tmp}/parlet torture.XXXXXX")"
failures=0
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

path() { if [ "$mode" = wine ]; then winepath -w "$1" 2>/dev/null; else echo "$1"; fi; }
# Programs are started directly (not through a function), so that $! is the
# program itself. Under Wine they run in the Wine session of the suite
# (tests/wine-session.sh), or in one of this script's own, stopped at its end.
if [ "$mode" = wine ]; then
  . "$here/../wine-session.sh"
  trap 'rm -rf "$work"; parlet_wine_end' EXIT
  parlet_wine_begin || { echo "FAILED: no Wine session"; exit 1; }
  launch=(wine "$worker")
else
  launch=("$worker")
fi
run() { "${launch[@]}" "$@"; }
# Waits until the program writing to file $1 has said "started".
started() { for _ in $(seq 1000); do grep -q started "$1" 2>/dev/null && return 0; sleep 0.01; done; return 1; }
fail() { failures=$((failures + 1)); echo "FAILED: $*"; }
# A pause of $1 to $2 milliseconds.
pause() { sleep "$(printf '0.%03d' $(( $1 + RANDOM % ($2 - $1) )))"; }

long=5000   # length of the long password in the account file
sac="$work/gw.sac" wsac="$(path "$work/gw.sac")"

# 1. Eight processes at once.
run accounts-init "$wsac" $long
start=$(date +%s%N)
pids=()
for p in 1 2 3 4 5 6 7 8; do "${launch[@]}" accounts "$wsac" $long 10 $p >"$work/out.$p" 2>&1 & pids+=($!); done
wait "${pids[@]}"
for p in 1 2 3 4 5 6 7 8; do
  grep -qx "ok 10" <(tr -d '\r' <"$work/out.$p") || fail "process $p: $(cat "$work/out.$p")"
done
run accounts-check "$wsac" $long >"$work/check" || fail "after 8 processes: $(cat "$work/check")"
echo "8 processes x 10 renumberings: $(( ($(date +%s%N) - start) / 1000000 )) ms"

# 2. Kills: 50, at random moments of renumbering. A file content once found
#    intact needs no second look (under Wine each look is a process start).
# The pause after the first renumbering spans several renumberings (about
# 3 ms natively, 30 ms under Wine).
if [ "$mode" = wine ]; then early=1 late=60; else early=1 late=15; fi
declare -A good
good["$(md5sum <"$sac" | cut -d' ' -f1)"]=1
looks=0 start=$(date +%s%N)
# Ten rounds of five renumbering processes, killed one after another.
for round in $(seq 10); do
  pids=()
  for w in 1 2 3 4 5; do
    rm -f "$work/killed.$w"
    "${launch[@]}" accounts "$wsac" $long 0 $((round * 10 + w)) >"$work/killed.$w" 2>&1 &
    pids+=($!)
  done
  for w in 1 2 3 4 5; do
    started "$work/killed.$w" || fail "round $round: process $w never renumbered: $(cat "$work/killed.$w")"
  done
  for pid in "${pids[@]}"; do
    pause $early $late
    kill -KILL $pid 2>/dev/null
    wait $pid 2>/dev/null
    [ -s "$sac" ] || fail "round $round: a kill left an empty or no account file"
  done
  cat "$work"/killed.* | grep -q '^after renumbering' && fail "round $round: $(cat "$work"/killed.*)"
  sum="$(md5sum <"$sac" | cut -d' ' -f1)"
  if [ -z "${good[$sum]:-}" ]; then
    looks=$((looks + 1))
    if run accounts-check "$wsac" $long >"$work/check"; then good["$sum"]=1
    else fail "round $round: $(cat "$work/check")"; break; fi
  fi
done
leftovers=$(find "$work" -name 'gw.sac.~*' | wc -l)
echo "50 kills, 1-$late ms apart, of processes that had renumbered: $(( ($(date +%s%N) - start) / 1000000 )) ms;" \
  "${#good[@]} distinct files, all intact; $leftovers temporary file(s) of killed processes left"

# 3. The log: a killed writer loses nothing it wrote.
log="$work/log.txt" wlog="$(path "$work/log.txt")"
"${launch[@]}" log "$wlog" k 300 2000 hold >"$work/logout" 2>&1 &
pid=$!
for _ in $(seq 600); do grep -q done "$work/logout" 2>/dev/null && break; sleep 0.05; done
kill -KILL $pid 2>/dev/null
wait $pid 2>/dev/null
run log-check "$wlog" >"$work/check" || fail "log after a kill: $(cat "$work/check")"
grep -q "^k 300" <(tr -d '\r' <"$work/check") || fail "entries lost: $(cat "$work/check")"
#    ... and killed mid-write, entries before the kill are whole.
rm -f "$work/killed"
"${launch[@]}" log "$wlog" m 100000 3000 >"$work/killed" 2>&1 &
pid=$!
started "$work/killed" || fail "the log writer never started"
pause $early $late
kill -KILL $pid 2>/dev/null
wait $pid 2>/dev/null
run log-check "$wlog" >"$work/check" || fail "log killed mid-write: $(cat "$work/check")"
echo "log killed mid-write: $(tr -d '\r' <"$work/check" | grep '^m ' || echo 'm 0') entries whole"

# 4. Eight processes appending 20 KB entries to one log.
rm -f "$log"
pids=()
for p in 1 2 3 4 5 6 7 8; do "${launch[@]}" log "$wlog" p$p 40 20000 >/dev/null 2>&1 & pids+=($!); done
wait "${pids[@]}"
run log-check "$wlog" >"$work/check" || fail "8 writers: $(cat "$work/check")"
[ "$(tr -d '\r' <"$work/check" | grep -c ' 40$')" = 8 ] || fail "8 writers: $(cat "$work/check")"
echo "8 log writers x 40 entries of 20 KB: $(wc -c <"$log") bytes, every entry whole"

# 5. The outbox: 50 SIGKILLs at random moments of its changes leave the old or
#    a new outbox, every message whole, never a file set aside as broken.
box="$work/outbox.txt" wbox="$(path "$work/outbox.txt")"
run outbox "$wbox" 1 0 >/dev/null 2>&1
declare -A goodbox
looks=0 start=$(date +%s%N)
for round in $(seq 10); do
  pids=()
  for w in 1 2 3 4 5; do
    rm -f "$work/boxed.$w"
    "${launch[@]}" outbox "$wbox" 0 $((round * 10 + w)) >"$work/boxed.$w" 2>&1 &
    pids+=($!)
  done
  for w in 1 2 3 4 5; do
    started "$work/boxed.$w" || fail "round $round: outbox process $w never changed it: $(cat "$work/boxed.$w")"
  done
  for pid in "${pids[@]}"; do
    pause $early $late
    kill -KILL $pid 2>/dev/null
    wait $pid 2>/dev/null
  done
  cat "$work"/boxed.* | grep -q '^after change' && fail "round $round: $(cat "$work"/boxed.*)"
  sum="$(md5sum <"$box" | cut -d' ' -f1)"
  if [ -z "${goodbox[$sum]:-}" ]; then
    looks=$((looks + 1))
    if run outbox-check "$wbox" >"$work/check"; then goodbox["$sum"]=1
    else fail "outbox round $round: $(cat "$work/check")"; break; fi
  fi
done
[ -z "$(find "$work" -name 'outbox.txt.broken*')" ] || fail "an outbox was set aside as broken"
echo "outbox: 50 kills, 1-$late ms apart, of processes changing it: $(( ($(date +%s%N) - start) / 1000000 )) ms;" \
  "${#goodbox[@]} distinct files, all sound"

# 6. A kill while a retry is sending: at the next start the message is in
#    state unknown, the user is told, and a week of retries sends nothing.
mkdir -p "$work/profile"
wprofile="$(path "$work/profile")"
rm -f "$work/hang"
"${launch[@]}" retry-hang "$wprofile" >"$work/hang" 2>&1 &
pid=$!
for _ in $(seq 1000); do grep -q sending "$work/hang" 2>/dev/null && break; sleep 0.01; done
grep -q sending "$work/hang" || fail "the retry never reached its gateway: $(cat "$work/hang")"
kill -KILL $pid 2>/dev/null
wait $pid 2>/dev/null
run start-after-kill "$wprofile" >"$work/check" 2>&1 || fail "after a kill during a retry: $(cat "$work/check")"
echo "kill during a retry, next start: $(tr -d '\r' <"$work/check")"

[ $failures -eq 0 ] && echo "torture: all passed" || echo "torture: $failures failed"
exit $((failures > 0))
