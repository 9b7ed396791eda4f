# The setup dialog (/c): its texts read back from the system's controls, the check box and Enter
# writing the mute switch, OK leaving the file alone when nothing changed, and the report of a
# package without settings. Sourced by run-e2e.sh.

# dialog PREFIX OUT: the dialog whose caption starts with PREFIX, read back into OUT (at most 20 s).
dialog() { "$WINE" "$DIALOG_PROBE" "$1" 2>/dev/null | tr -d '\r' >"$2"; }
# line_of OUT CLASS TEXT: the probe's line of the control of that class and text.
line_of() { awk -F'|' -v c="$2" -v t="$3" '$1 == c && $2 == t' "$1" | head -n1; }
# centre_of LINE: the screen point in the middle of a probed control.
centre_of() { awk -F'|' '{ split($3, r, ","); printf "%d %d", (r[1] + r[3]) / 2, (r[2] + r[4]) / 2 }' <<<"$1"; }

# A saver with settings in a folder of its own, for CONTROL.INI beside it.
make_setup_saver() {
  rm -rf "$F/setup" && mkdir -p "$F/setup"
  pack --output "$(winpath "$F/setup/Setup.scr")" --title "Night Sky" --author "Someone" \
    --email "https://example.invalid/mail" --web "someone@example.invalid" "$(winpath "$F/photo.jpg")" ||
    fail "packing the setup saver"
}

test_setup_dialog_shows_the_package_and_stores_the_box() {
  make_setup_saver
  start_saver "$F/setup/Setup.scr" /c
  dialog "Setup [" "$WORK/dialog.txt" || { fail "no setup dialog appeared"; end_saver; return; }
  sed 's/^/    /' "$WORK/dialog.txt"
  local want
  for want in "Static|Title:Night Sky" "Static|Author:Someone" "Static|https://example.invalid/mail" \
    "Static|someone@example.invalid" "Edit|Thank you for using our product!" "Button|&Ok" "Button|Mute music"; do
    [ -n "$(line_of "$WORK/dialog.txt" "${want%%|*}" "${want#*|}")" ] || fail "no control $want"
  done
  grep -q '|Setup \[Night Sky\]|' "$WORK/dialog.txt" || fail "caption: $(head -n1 "$WORK/dialog.txt")"
  local box
  box=$(line_of "$WORK/dialog.txt" Button "Mute music")
  expect_eq "box state" "${box##*|}" 0
  read -r bx by <<<"$(centre_of "$box")"
  xdotool mousemove "$bx" "$by" click 1
  sleep 0.5
  xdotool key Return
  wait_saver_end 10 || fail "Enter did not close the dialog"
  end_saver
  expect_eq "stored mute" "$(tr -d '\r' <"$F/setup/CONTROL.INI" 2>/dev/null | sed -n 's/^mute=//p')" 1
}

test_setup_ok_without_a_change_creates_no_file() {
  make_setup_saver
  start_saver "$F/setup/Setup.scr" /c
  dialog "Setup [" "$WORK/dialog-nofile.txt" || { fail "no dialog"; end_saver; return; }
  sleep 0.3
  xdotool key Return
  wait_saver_end 10 || fail "Enter did not close the dialog"
  end_saver
  [ ! -e "$F/setup/CONTROL.INI" ] || fail "OK with nothing stored created CONTROL.INI"
}

# A stored "0" stays byte for byte (no CR, which the system would write when it writes).
test_setup_zero_stored_stays_byte_for_byte() {
  make_setup_saver
  printf '[Setup]\nmute=0\n' >"$F/setup/CONTROL.INI"
  cp "$F/setup/CONTROL.INI" "$WORK/control-before.ini"
  start_saver "$F/setup/Setup.scr" /c
  dialog "Setup [" "$WORK/dialog-zero.txt" || { fail "no dialog"; end_saver; return; }
  sleep 0.3
  xdotool key Return
  wait_saver_end 10 || fail "Enter did not close the dialog"
  end_saver
  cmp -s "$WORK/control-before.ini" "$F/setup/CONTROL.INI" || fail "OK with \"0\" stored changed CONTROL.INI"
}

test_setup_without_settings_reports_then_shows_the_design() {
  rm -rf "$F/bare-setup" && mkdir -p "$F/bare-setup"
  cp "$SAVER" "$F/bare-setup/Plain.scr"
  start_saver "$F/bare-setup/Plain.scr" /c
  # The report comes first, captioned with the program's title.
  dialog "Plain" "$WORK/report.txt" || { fail "no error report appeared"; end_saver; return; }
  grep -q '^Static|Invalid stream format\.|' "$WORK/report.txt" || fail "report: $(tr '\n' ' ' <"$WORK/report.txt")"
  xdotool key Return
  dialog "Setup [" "$WORK/design.txt" || { fail "no dialog after the report"; end_saver; return; }
  grep -q '|Setup \[\]|' "$WORK/design.txt" || fail "caption after the report: $(head -n1 "$WORK/design.txt")"
  [ -n "$(line_of "$WORK/design.txt" Static "Title:")" ] || fail "no design title"
  [ -n "$(line_of "$WORK/design.txt" Static "Author:")" ] || fail "no design author"
  xdotool key Escape
  wait_saver_end 10 || fail "Escape did not close the dialog"
  end_saver
  [ ! -e "$F/bare-setup/CONTROL.INI" ] || fail "closing wrote CONTROL.INI"
}

all_tests+=(
  test_setup_dialog_shows_the_package_and_stores_the_box
  test_setup_ok_without_a_change_creates_no_file
  test_setup_zero_stored_stays_byte_for_byte
  test_setup_without_settings_reports_then_shows_the_design
)
