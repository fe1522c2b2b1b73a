#!/usr/bin/env bash
# Compiles the locales the tests run under into FOLDER, where tests find them
# through LOCPATH, so that no locale needs to be installed on the machine.
# A locale compiled before is kept. Needs localedef and the locale sources
# (the locales package).
# Arguments: FOLDER LOCALE...   (LOCALE as language_TERRITORY.CODESET)
set -euo pipefail
folder=$1
shift
mkdir -p "$folder"
for name in "$@"; do
  [ -f "$folder/$name/LC_NUMERIC" ] && continue
  input=${name%%.*} charmap=${name#*.}
  # Compile into a scratch name first, so that an interrupted run leaves no
  # half-made locale behind.
  rm -rf "$folder/$name.partial"
  localedef -i "$input" -f "$charmap" "$folder/$name.partial"
  mv "$folder/$name.partial" "$folder/$name"
done
