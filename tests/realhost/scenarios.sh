# The real-host tier's scenarios (sourced by tests/realhost/run.sh), in order
# of importance. Each returns non-zero, or calls rh_fail, on what a user would
# see go wrong; 77 is a skip with rh_skip_reason.

rh_number=6641234567  # typed into the send dialog: lower-case texts only
rh_message="hello from the real host"

# Start-up and a clean exit through the main menu; a second start sees what
# the first one wrote (the host writes its database only at a clean exit).
scenario_startup() {
  rh_install startup && rh_start && rh_exit || return 1
  rh_db '^setting 0 Parlet-Plugin/' "Parlet wrote no setting: was it loaded?"
  rh_db '^setting 0 Parlet-Probe/Starts = d1$'
  rh_start && rh_exit || return 1
  rh_db '^setting 0 Parlet-Probe/Starts = d2$' "the first session's database was not written out"
}

# Opens the send dialog from the main menu (its first entry).
rh_open_send() {
  rh_main_menu Down Return && rh_wait_window "send SMS message"
}

# History++ lies over the contact list's logo: closed before the main menu.
rh_close_history() {
  local id
  id="$(xdotool search --onlyvisible --name ' - History\+\+$' 2>/dev/null | head -n 1)"
  [ -n "$id" ] && xdotool windowfocus --sync "$id" key Escape
  rh_wait_gone 'History++" at'
}

rh_close_send() {
  rh_key_to "send SMS message" Escape && rh_wait_gone 'window "send SMS message"'
}

# Types a number and a message into the open send dialog and sends them;
# waits for the final status text.
rh_send() {
  rh_key_to "send SMS message" Tab || return 1
  rh_type_to "send SMS message" "$1" || return 1
  rh_key_to "send SMS message" Tab Tab
  rh_type_to "send SMS message" "$2" || return 1
  rh_key_to "send SMS message" Tab Return
  rh_wait "1010 Static \"Message sent successfully"  # and the credit, where the gateway tells it
}

# A send from the main menu through the demo provider: the final status text
# with the credit the demo gateway reads,
# the counter, the message at the provider, the phone contact with its number,
# the history event as the host's services give it and as History++ holds it
# (the text of its grid's selected row: under Wine, History++ draws no row's
# body, not even those of the Jabber plug-in's own messages).
scenario_send() {
  rh_install send && rh_start && rh_open_send || return 1
  rh_send "$rh_number" "$rh_message" || return 1
  rh_has "1011 Static \"${#rh_message}\" " || rh_fail "the counter does not say ${#rh_message}"
  grep -qE '1010 Static "Message sent successfully \(credit: [0-9]+\.[0-9]{2} EUR\)"' "$rh_dir/probe-windows.txt" ||
    rh_fail "the status line shows no credit: $(grep -o '1010 Static "[^"]*"' "$rh_dir/probe-windows.txt")"
  grep -q "\"to\":\"43$rh_number\",\"text\":\"$rh_message\"" "$rh_work/outbox.jsonl" ||
    rh_fail "the provider has no such message: $(cat "$rh_work/outbox.jsonl")"
  rh_close_send || return 1
  echo "history 1" >>"$rh_dir/probe-cmd.txt"
  rh_wait "THistoryGrid.UnicodeClass \"$rh_message" && rh_close_history && rh_exit || return 1
  rh_db "^setting 1 UserInfo/MyPhone0 = s\\+43 \\(\\) $rh_number SMS$"
  rh_db "^event 1 module=Parlet-Plugin type=0 sent=yes registered=0 text=$rh_message$"
}

# A phone contact as the host shows it: named by its number as stored and at
# once out of the contact list (the host names and hides a contact only when
# its protocol is an account, so phone contacts have one of their own), with
# "&Parlet Message" in its menu opening the send dialog on its number.
scenario_phone() {
  local stored="+43 () $rh_number SMS" again="again, from its menu"
  rh_install phone && rh_start && rh_open_send && rh_send "$rh_number" "$rh_message" && rh_close_send || return 1
  rh_wait_db "^contact 1 " || return 1
  grep -qF "contact 1 proto=ZUVE_ROV name=$stored hidden=b1 listed=no" "$rh_dir/probe-db.txt" ||
    rh_fail "the phone contact: $(grep '^contact 1 ' "$rh_dir/probe-db.txt")"
  echo "menu 1 &Parlet Message" >>"$rh_dir/probe-cmd.txt"
  rh_wait_window "send SMS message" || { rh_fail "its menu: $(tr '\n' '|' <"$rh_dir/probe-menu.txt")"; return 1; }
  rh_wait "  1003 ComboBox \"$rh_number\" " ||
    { rh_fail "the dialog from its menu: $(grep -E '^  100[13] ' "$rh_dir/probe-windows.txt" | tr '\n' '|')"; return 1; }
  rh_click "send SMS message" 1002 && xdotool type --delay 40 "$again" || return 1
  rh_click "send SMS message" 1000 && rh_wait "1010 Static \"Message sent successfully" || return 1
  rh_has "1011 Static \"${#again}\" " || rh_fail "the counter does not say ${#again}"
  grep -q "\"to\":\"43$rh_number\",\"text\":\"$again\"" "$rh_work/outbox.jsonl" ||
    rh_fail "the provider has no message from the contact's menu: $(cat "$rh_work/outbox.jsonl")"
  rh_close_send || return 1
  echo "history 1" >>"$rh_dir/probe-cmd.txt"
  rh_wait "window \"$stored - History++\"" && rh_close_history && rh_exit || return 1
  rh_db "^event 1 module=Parlet-Plugin type=0 sent=yes registered=0 text=$again$"
}

# Moves the window TITLE to X, Y and prints the place the probe then sees.
rh_moved_to() {
  local first moved _
  first="$(rh_place "$1")"
  rh_move "$1" "$2" "$3" || return 1
  for _ in $(seq 25); do
    moved="$(rh_place "$1")"
    [ -n "$moved" ] && [ "$moved" != "$first" ] && { echo "$moved"; return 0; }
    sleep 0.2
  done
  rh_fail "\"$1\" did not move from $first"
}

rh_open_book() { rh_click "send SMS message" 1031 && rh_wait_window "Address book"; }
rh_close_book() { rh_key_to "Address book" Escape && rh_wait_gone 'window "Address book"'; }

# TITLE is shown at PLACE; WHEN says after what.
rh_at() {
  rh_has "window \"$1\" at $2 " || rh_fail "$3, \"$1\" is at $(rh_place "$1"), not $2"
}

# The send dialog and the address book, moved, open where they were left:
# after closing, and after a restart (the host keeps the places under
# "ZUVE_ROV").
scenario_position() {
  local send book
  rh_install position && rh_start && rh_open_send || return 1
  send="$(rh_moved_to "send SMS message" 123 145)" && rh_open_book || return 1
  book="$(rh_moved_to "Address book" 321 234)" && rh_close_book && rh_open_book || return 1
  rh_at "Address book" "$book" "closed and opened again"
  rh_close_book && rh_close_send && rh_open_send || return 1
  rh_at "send SMS message" "$send" "closed and opened again"
  rh_close_send && rh_exit || return 1
  rh_db "^setting 0 ZUVE_ROV/SMSdlgx = d${send%,*}$" && rh_db "^setting 0 ZUVE_ROV/SMSdlgy = d${send#*,}$"
  rh_db "^setting 0 ZUVE_ROV/ADDRBOOKdlgx = d${book%,*}$"
  rh_start && rh_open_send || return 1
  rh_at "send SMS message" "$send" "after a restart"
  rh_open_book || return 1
  rh_at "Address book" "$book" "after a restart"
  rh_close_book && rh_close_send && rh_exit
}

# The options page: the owner's number typed and applied is in the database
# after Exit and on the page again after a restart.
rh_open_parlet_page() {
  rh_main_menu Up Up Up Up Up Return && rh_wait_window "Miranda IM Options" || return 1
  rh_click_item "Miranda IM Options" Parlet-Plugin && rh_wait "Your mobile cellphone number"
}

scenario_options() {
  local owner="43650 1234567"
  rh_install options && rh_start && rh_open_parlet_page || return 1
  rh_click "Miranda IM Options" 1002 && xdotool key Home shift+End BackSpace type --delay 40 "$owner"
  rh_click "Miranda IM Options" text:Apply && rh_click "Miranda IM Options" text:OK || return 1
  rh_wait_gone 'window "Miranda IM Options"' && rh_exit || return 1
  rh_db "^setting 0 Parlet-Plugin/SenderNumber = s$owner$"
  rh_start && rh_open_parlet_page || return 1
  rh_has "  1002 Edit \"$owner\" " || rh_fail "after a restart the page does not show $owner"
  rh_key_to "Miranda IM Options" Escape && rh_wait_gone 'window "Miranda IM Options"' && rh_exit
}

# The host's Jabber account "owner" on the run's prosody, and Parlet ready to
# relay: imported from an autoexec file at start-up, before accounts load.
rh_jabber_account() {
  sed -i 's/^Use=no/Use=yes/; s/^OnCompletion=.*/OnCompletion=rename/' "$rh_dir/Mirandaboot.ini"
  sed -i 's/^Modules=.*/&,Protocols,JABBER/' "$rh_dir/probe.ini"
  {
    printf '[Protocols]\nPrVer=d4\nProtoCount=d1\n0=sJABBER\n200=d0\n400=d1\n600=d1\n800=sowner\n'
    printf '[JABBER]\nAM_BaseProto=sJABBER\nLoginName=sowner\nLoginServer=slocalhost\nManualConnect=b1\n'
    printf 'ManualHost=s127.0.0.1\nManualPort=w%s\nPort=w%s\nUseSSL=b0\nUseTLS=b0\nSavePassword=b1\n' \
      "$rh_xmpp_port" "$rh_xmpp_port"
    printf 'Resource=sMiranda\nLoginPassword=s\xb3\xb4\n'  # "pw", each byte XOR 0xC3
    printf '[Parlet-Plugin]\nActivateOnNA=b1\nSenderNumber=s43 %s\n' "$rh_number"
  } >"$rh_dir/autoexec_test.ini"
}

# Asks the probe for a reading of the database now and waits until it has a
# line matching RE.
rh_wait_db() {
  local _
  for _ in $(seq 60); do
    echo db >>"$rh_dir/probe-cmd.txt"
    sleep 0.5
    grep -qE -- "$1" "$rh_dir/probe-db.txt" 2>/dev/null && return 0
  done
  rh_fail "the database never had: $1"
}

rh_buddy() {
  timeout 120 /usr/bin/python3 "$root/tests/realhost/buddy.py" "$1@localhost" pw "$rh_xmpp_port" owner@localhost \
    "${@:2}" >"$rh_work/$1.out" 2>"$rh_work/$1.err"
}

rh_have_xmpp() {
  if ! command -v prosody >/dev/null || ! /usr/bin/python3 -c 'import slixmpp' 2>/dev/null; then
    rh_skip_reason="prosody or python3-slixmpp is not installed (scripts/install-deps.sh)"
    return 77
  fi
}

# A buddy's "[SMS] ..." while the owner is N/A goes out by SMS through the
# demo provider and the buddy gets the success answer; a second one inside
# the flood limit gets the flood answer. The buddy's contact comes from the
# roster at the first start; the relay works on it from the second.
scenario_relay() {
  rh_have_xmpp || return $?
  rh_install relay && rh_start_prosody && rh_jabber_account && rh_start || return 1
  echo "status 40072" >>"$rh_dir/probe-cmd.txt"
  rh_wait_db '^contact [0-9]+ proto=JABBER name=buddy' && rh_exit || return 1
  rh_start || return 1
  echo "status 40075" >>"$rh_dir/probe-cmd.txt"
  rh_buddy buddy "[SMS] call me" "[SMS] and again"
  rh_wait_gone 'window "Change NA Message"' && rh_wait_gone 'window "send SMS message"' || return 1
  grep -qx "answer: Your message has been sent successfully to my owner! :)" "$rh_work/buddy.out" ||
    rh_fail "the buddy's first answer: $(head -n 1 "$rh_work/buddy.out") $(tail -n 3 "$rh_work/buddy.err")"
  sed -n 2p "$rh_work/buddy.out" | grep -qE "^answer: Sorry, .* Please wait [0-9]+ minutes" ||
    rh_fail "the second answer is no flood answer: $(sed -n 2p "$rh_work/buddy.out")"
  grep -q "\"to\":\"43$rh_number\",\"text\":\"(ICQ)buddy: call me\"" "$rh_work/outbox.jsonl" ||
    rh_fail "the provider got no relayed message: $(cat "$rh_work/outbox.jsonl")"
  rh_exit
}

# A buddy whose contact the host adds while it runs (from the roster, at the
# account's first log-in) is relayed in the same session.
scenario_added() {
  rh_have_xmpp || return $?
  rh_install added && rh_start_prosody && rh_jabber_account && rh_start || return 1
  echo "status 40075" >>"$rh_dir/probe-cmd.txt"
  rh_wait_db '^contact [0-9]+ proto=JABBER name=buddy' || return 1
  rh_buddy buddy "[SMS] new here"
  rh_wait_gone 'window "Change NA Message"' && rh_wait_gone 'window "send SMS message"' || return 1
  grep -qx "answer: Your message has been sent successfully to my owner! :)" "$rh_work/buddy.out" ||
    rh_fail "the new buddy's answer: $(cat "$rh_work/buddy.out") $(tail -n 3 "$rh_work/buddy.err")"
  grep -q "\"text\":\"(ICQ)buddy: new here\"" "$rh_work/outbox.jsonl" ||
    rh_fail "the provider got no relayed message from the new buddy"
  rh_exit
}

# A notice as the host shows it: through the PopUp plug-in, and in a message
# box when PopUp refuses (switched off in its options). The notice: an
# outbox file that cannot be read, found and set aside at start-up; held
# until the host has started, so that PopUp takes it and no box stops the
# start.
scenario_notice() {
  local broken
  rh_install notice && broken="$rh_dir/Profile/parlet-outbox-test.txt" && mkdir -p "$rh_dir/Profile" || return 1
  printf 'not an outbox\n' >"$broken" && rh_start && rh_wait "(PopupWnd2)" || return 1
  rh_has 'window "Parlet-Plugin"' && rh_fail "a message box beside the popup"
  [ -f "$broken.broken" ] || rh_fail "the broken outbox was not set aside"
  rh_exit || return 1
  printf 'not an outbox\n' >"$broken"
  printf '[PopUp]\nModuleIsEnabled=b0\n' >"$rh_dir/autoexec_test.ini"
  sed -i 's/^Use=no/Use=yes/; s/^OnCompletion=.*/OnCompletion=rename/' "$rh_dir/Mirandaboot.ini"
  rh_start && rh_wait 'window "Parlet-Plugin"' || return 1
  rh_has "cannot be read (" || rh_fail "the box does not tell of the outbox: $(grep -A2 'Parlet-Plugin' "$rh_dir/probe-windows.txt")"
  rh_has "(PopupWnd2)" && rh_fail "a popup although PopUp is switched off"
  rh_key_to Parlet-Plugin Return && rh_wait_gone 'window "Parlet-Plugin"' && rh_exit
}

# The first run after installing the release package as the user's guide
# says: unpacked into the host's folder, Kannel's example filled in (pointed
# at the demo provider, which also answers as a smsbox) and copied into the
# gateway folder. A send goes through it, with no box about the other
# shipped files.
scenario_zip() {
  local zip
  zip="$(ls "$rh_build"/parlet-*-win32.zip 2>/dev/null | head -n 1)"
  if [ -z "$zip" ]; then
    rh_skip_reason="no release package in $rh_build (the win configuration builds it)"
    return 77
  fi
  rh_install zip "$zip" || return 1
  sed -e "s/127\.0\.0\.1:13013/127.0.0.1:$rh_port/" -e 's/^Username=.*/Username=demo/' \
    -e 's/^Password=.*/Password=secret/' -e '/^Editme=/d' "$rh_dir/Gateways/Examples/kannel.ini" \
    >"$rh_dir/Gateways/kannel.ini"
  rh_start && rh_open_send && rh_send "$rh_number" "$rh_message" || return 1
  rh_has 'window "Parlet-Plugin"' && rh_fail "a box: $(grep -A2 'window "Parlet-Plugin"' "$rh_dir/probe-windows.txt")"
  grep -q "$rh_message" "$rh_work/outbox.jsonl" || rh_fail "the provider has no message through kannel.ini"
  rh_close_send && rh_exit
}
