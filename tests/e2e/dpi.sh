# The window at a DPI above 96 (or at 96 in a prefix set to it), in a
# prefix of its own (dpi_prefix.sh) on a display of its own: the layout
# scales, and the pictures are the images made for that scale, pixel for
# pixel, not the stored 96-DPI ones blown up; the whole window is its
# reference capture at that DPI.

# Pixels differing between two pictures of the same size.
pixels_apart() { /usr/bin/compare -metric AE "$1" "$2" null: 2>&1; }

# The images a picture control is checked against: the one made for the
# scale, and the stored picture blown up as a plain stretch would.
picture_pair() {  # NAME STORED_FILE VARIANT_FILE W H
  /usr/bin/convert "$KAVREL_VARIANTS_DIR/$3" "$out/$1-made.png"
  /usr/bin/convert "$KAVREL_PICTURES_DIR/$2" -filter point -resize "${4}x${5}!" "$out/$1-stretched.png"
}

scenario_dpi() {  # DPI
  local dpi=$1 percent rects x y w h name stored made apart stretched
  percent=$(( dpi == 144 ? 150 : 200 ))
  # A session left from an earlier run draws on a display that is gone.
  WINEPREFIX="$prefix" bash "$here/../../scripts/wine-session.sh" stop
  # The prefix's DPI as Wine reads it; this also makes the prefix on a first
  # run, before any wait with a deadline.
  expect_eq "dpi $dpi: LogPixels of the prefix" \
    "$("$emulator" reg query 'HKCU\Control Panel\Desktop' /v LogPixels | tr -d '\r' | awk '$1 == "LogPixels" { print $3 }')" \
    "$(printf '0x%x' "$dpi")"
  start_program || return
  expect_eq "dpi $dpi: the window is at $dpi DPI" "$(window_field dpi)" "$dpi"
  read -r _ _ w h <<<"$(window_field client)"
  expect_eq "dpi $dpi: the client area is Form1's twips at $dpi DPI" "$w $h" \
    "$(( (7620 * dpi + 720) / 1440 )) $(( (4875 * dpi + 720) / 1440 ))"
  # shellcheck disable=SC2046
  crop_screen "window-idle-$dpi" $(window_field window)
  echo "     screenshot: $out/window-idle-$dpi.png"
  if [ "$dpi" = 96 ]; then
    # A prefix set to 96 DPI looks exactly as the shared one does.
    # shellcheck disable=SC2046
    look_at idle-window $(window_field window)
    quit_with_menu
    return
  fi

  # The whole window at this DPI, pixel for pixel as the system's own
  # controls drew it (reference/idle-window-DPI.png).
  # shellcheck disable=SC2046
  look_at "idle-window-$dpi" $(window_field window)

  rects=$(probe controls "$(winepath_of "$exe")")
  for name in Image4:image4.jpg Image1:image1.jpg Image2:image2.jpg Image3:image3.jpg; do
    stored=${name#*:}
    name=${name%%:*}
    made="${stored%.*}_$percent.bmp"
    read -r x y w h <<<"$(printf '%s\n' "$rects" | awk -F'\t' -v n="$name" '$1 == n { print $3 }')"
    picture_pair "$name" "$stored" "$made" "$w" "$h"
    wait_for "dpi $dpi: $name on screen is $made pixel for pixel" 0 10 \
      capture_and_compare_to "$name-$dpi" "$x $y $w $h" "$out/$name-made.png"
    apart=$last_seen
    stretched=$(pixels_apart "$out/$name-$dpi.png" "$out/$name-stretched.png")
    echo "     $name ${w}x$h: $apart pixels differ from $made, $stretched from $stored stretched"
    if [ "$apart" = 0 ]; then pass "dpi $dpi: $name drawn from $made"; fi
    if [ "${stretched:-0}" -gt $(( w * h / 10 )) ]; then
      pass "dpi $dpi: $name is not $stored stretched ($stretched of $((w * h)) pixels differ)"
    else
      fail "dpi $dpi: $name looks like $stored stretched ($stretched of $((w * h)) pixels differ)"
    fi
  done
  quit_with_menu
}

# capture_and_compare_to NAME "X Y W H" PICTURE: the differing pixels
# between that screen rectangle now and the picture.
capture_and_compare_to() {
  # shellcheck disable=SC2086
  crop_screen "$1" $2
  pixels_apart "$out/$1.png" "$3"
}
