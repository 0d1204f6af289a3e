# The real host's machinery for tests/realhost/run.sh (sourced): a private
# copy of the real Miranda IM with Parlet and the probe, started under Wine in
# the run's own Wine session, driven with xdotool and read through the probe's
# files (tests/realhost/Probe_win.cpp).

rh_fail() {
  echo "realhost: FAILED in $rh_scenario: $*" >&2
  rh_failed=1
  return 1
}

# A fresh installation in $rh_work/$1: the real host, the DLLs as built and
# the demo gateway files naming the provider's port; or, given a release
# package as $2, the host with the package unpacked into it, and the probe.
rh_install() {
  rh_dir="$rh_work/$1"
  cp -r "$rh_realhost" "$rh_dir" || return 1
  if [ -n "${2:-}" ]; then  # the release package, unpacked as the user's guide says
    (cd "$rh_dir" && cmake -E tar xf "$2") || return 1
  else
    cp "$rh_build/src/parlet.dll" "$rh_dir/Plugins/" && mkdir -p "$rh_dir/Gateways" || return 1
    local f
    for f in "$root"/gateways/demo/*; do
      sed "s/127\.0\.0\.1:18642/127.0.0.1:$rh_port/g" "$f" >"$rh_dir/Gateways/$(basename "$f")"
    done
  fi
  cp "$rh_build/tests/realhost/realhost_probe.dll" "$rh_dir/Plugins/" || return 1
  printf '[Probe]\nModules=Parlet-Plugin,Parlet-Probe,ZUVE_ROV,UserInfo,Protocol,CList\n' >"$rh_dir/probe.ini"
}

# Starts the host and waits for its contact list; closes the account manager
# of a first start.
rh_start() {
  rm -f "$rh_dir/probe-windows.txt" "$rh_dir/probe-db.txt"
  (cd "$rh_dir" && exec wine miranda32.exe) </dev/null >>"$rh_dir.wine.log" 2>&1 &
  rh_host_pid=$!
  rh_wait_window "Miranda IM" || return 1
  sleep 1
  # A popup that opens meanwhile can take the key: try again.
  local try _
  for try in 1 2 3; do
    rh_has 'window "Accounts"' || return 0
    if [ "$try" = 1 ]; then rh_key_to Accounts Escape; else rh_click Accounts 2; fi
    for _ in $(seq 15); do
      sleep 0.2
      rh_has 'window "Accounts"' || return 0
    done
  done
  rh_wait_gone 'window "Accounts"'
}

rh_has() { grep -qF -- "$1" "$rh_dir/probe-windows.txt" 2>/dev/null; }

# Waits until the probe sees TEXT on screen (a hang guard, not a bound).
rh_wait() {
  local _
  for _ in $(seq 300); do
    rh_has "$1" && return 0
    kill -0 "$rh_host_pid" 2>/dev/null || { rh_fail "the host ended while waiting for: $1"; return 1; }
    sleep 0.2
  done
  rh_fail "never shown: $1 (the windows: $(cat "$rh_dir/probe-windows.txt" 2>/dev/null))"
}
rh_wait_window() { rh_wait "window \"$1\""; }
rh_wait_gone() {
  local _
  for _ in $(seq 150); do
    rh_has "$1" || return 0
    sleep 0.2
  done
  rh_fail "still shown: $1"
}

# The place of a window as the probe saw it: "X,Y".
rh_place() { sed -n "s/^window \"$1\" at \([-0-9]*,[-0-9]*\) .*/\1/p" "$rh_dir/probe-windows.txt" | head -n 1; }

rh_xid() {
  local id _
  for _ in 1 2 3 4 5; do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)"
    [ -n "$id" ] && break
    sleep 0.3
  done
  echo "$id"
}

# Keys to a window by its title, with the keyboard's focus put there first
# (there is no window manager to activate it).
rh_key_to() {
  local title="$1" id
  shift
  id="$(rh_xid "$title")"
  [ -n "$id" ] || { rh_fail "no window \"$title\" to type into"; return 1; }
  xdotool windowfocus --sync "$id" key --delay 80 "$@"
}
rh_type_to() {
  local id
  id="$(rh_xid "$1")"
  [ -n "$id" ] || { rh_fail "no window \"$1\" to type into"; return 1; }
  xdotool windowfocus --sync "$id" type --delay 40 "$2"
}

# Opens the main menu from the logo at the contact list's top left and
# presses KEYS there. The logo answers a click only after the pointer has
# come onto it, so the pointer comes from outside each time.
rh_main_menu() {
  local id try _
  id="$(rh_xid "Miranda IM")"
  [ -n "$id" ] || { rh_fail "no contact list"; return 1; }
  for try in 1 2 3 4 5; do
    xdotool mousemove 0 700 sleep 0.5 mousemove --window "$id" 16 10 sleep 0.5 click 1
    for _ in $(seq 20); do
      sleep 0.2
      rh_has '(#32768)' && { xdotool key --delay 150 "$@"; return 0; }
    done
  done
  rh_fail "the main menu did not open"
}

# Moves a window to X,Y as a window manager would for a user's drag.
rh_move() {
  local id
  id="$(rh_xid "$1")"
  [ -n "$id" ] || { rh_fail "no window \"$1\" to move"; return 1; }
  xdotool windowmove --sync "$id" "$2" "$3"
}

# Exit through the main menu's last entry: the host writes its database and
# ends by itself, with no fault and no crash box.
rh_exit() {
  rh_main_menu Up Return || return 1
  local _
  for _ in $(seq 300); do
    kill -0 "$rh_host_pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$rh_host_pid" 2>/dev/null; then
    rh_fail "the host did not end after Exit"
    return 1
  fi
  wait "$rh_host_pid"
  local status=$?
  rh_host_pid=""
  [ "$status" -eq 0 ] || rh_fail "the host ended with status $status"
  ! grep -qE "Unhandled|page fault" "$rh_dir.wine.log" || rh_fail "a fault: $(grep -E "Unhandled|page fault" "$rh_dir.wine.log" | head -n 3)"
  [ -s "$rh_dir/probe-db.txt" ] || rh_fail "the probe read nothing at shut-down"
  [ "$rh_failed" -eq 0 ]
}

# Checks the probe's last reading of the database: a line matching the
# extended regular expression RE.
rh_db() {
  grep -qE -- "$1" "$rh_dir/probe-db.txt" 2>/dev/null || rh_fail "${2:-the database lacks: $1}"
}

# Stops what a scenario left running: the host (the prefix's wine server ends
# it with every program it serves).
rh_stop_host() {
  [ -n "${rh_host_pid:-}" ] || return 0
  wineserver -k >/dev/null 2>&1
  wait "$rh_host_pid" 2>/dev/null
  rh_host_pid=""
}

# Stops what a scenario started beside the host (prosody), by PID.
rh_stop_extras() {
  local pid
  for pid in ${rh_extra_pids:-}; do
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  rh_extra_pids=""
}

# Clicks the middle of a control of the window TITLE where the probe saw it:
# the first whose id is ID, or with "text:T" the first whose text is T.
rh_click() {
  local at
  at="$(awk -v w="window \"$1\"" -v id="$2" '
    /^window / { inside = index($0, w) == 1 }
    inside && /^  [-0-9]/ && ($1 == id || index(id, "text:") == 1 && index($0, "\"" substr(id, 6) "\" middle ")) {
      for (i = 1; i < NF; i++) if ($i == "middle") { print $(i + 1); exit }
    }' "$rh_dir/probe-windows.txt")"
  [ -n "$at" ] || { rh_fail "no control $2 in \"$1\" to click"; return 1; }
  xdotool mousemove "${at%,*}" "${at#*,}" sleep 0.2 click 1
}

# Clicks the tree item TEXT in the window TITLE (the options dialog's pages).
rh_click_item() {
  local at
  at="$(awk -v w="window \"$1\"" -v item="    item \"$2\" middle " '
    /^window / { inside = index($0, w) == 1 }
    inside && index($0, item) == 1 { print $NF; exit }' "$rh_dir/probe-windows.txt")"
  [ -n "$at" ] || { rh_fail "no item \"$2\" in \"$1\" to click"; return 1; }
  xdotool mousemove "${at%,*}" "${at#*,}" sleep 0.2 click 1
}

# A prosody of the scenario's own on a free loopback port ($rh_xmpp_port)
# with the accounts owner and buddy (password "pw"), each in the other's
# roster; run as the user prosody when run as root (it refuses root), stopped
# by its PID with the scenario.
rh_start_prosody() {
  local dir="$rh_work/prosody-$rh_scenario" user
  rh_xmpp_port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
  mkdir -p "$dir/data/localhost/roster" "$dir/data/localhost/accounts"
  cat >"$dir/prosody.cfg.lua" <<CFG
pidfile = "$dir/prosody.pid"
data_path = "$dir/data"
interfaces = { "127.0.0.1" }
c2s_interfaces = { "127.0.0.1" }
c2s_ports = { $rh_xmpp_port }
modules_enabled = { "roster", "saslauth", "disco", "ping" }
modules_disabled = { "s2s", "tls" }
c2s_require_encryption = false
allow_unencrypted_plain_auth = true
authentication = "internal_plain"
log = { info = "$dir/prosody.log" }
VirtualHost "localhost"
CFG
  for user in owner buddy; do
    printf 'return {\n\t["password"] = "pw";\n};\n' >"$dir/data/localhost/accounts/$user.dat"
  done
  printf 'return {\n\t[false] = { ["version"] = 1; };\n\t["%s@localhost"] = { ["subscription"] = "both"; ["groups"] = {}; };\n};\n' \
    buddy >"$dir/data/localhost/roster/owner.dat"
  printf 'return {\n\t[false] = { ["version"] = 1; };\n\t["%s@localhost"] = { ["subscription"] = "both"; ["groups"] = {}; };\n};\n' \
    owner >"$dir/data/localhost/roster/buddy.dat"
  if [ "$(id -u)" -eq 0 ]; then
    chown -R prosody: "$dir"
    setpriv --reuid=prosody --regid=prosody --init-groups prosody -F --config "$dir/prosody.cfg.lua" >>"$dir/out.log" 2>&1 &
  else
    prosody -F --config "$dir/prosody.cfg.lua" >>"$dir/out.log" 2>&1 &
  fi
  rh_prosody_pid=$!
  rh_extra_pids="$rh_extra_pids $rh_prosody_pid"
  local _
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$rh_xmpp_port") 2>/dev/null && return 0
    kill -0 "$rh_prosody_pid" 2>/dev/null || break
    sleep 0.1
  done
  rh_fail "prosody did not start: $(tail -n 5 "$dir/out.log" "$dir/prosody.log" 2>/dev/null)"
}
