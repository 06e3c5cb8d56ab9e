#!/usr/bin/env bash
# Lower layers must not include higher ones: text is at the bottom, download
# and platform stand on text alone, app on everything. download must stay free
# of GTK so that tests and tools link it without a display.
set -u
root=${1:-.}
fail=0
check() {  # layer, forbidden include pattern
  local hits
  hits=$(grep -rnE "#include [<\"]($2)" "$root/$1" --include='*.h' --include='*.cpp' || true)
  if [ -n "$hits" ]; then echo "$1 must not include $2:"; echo "$hits"; fail=1; fi
}
check text 'download/|platform/|app/|service/|gtk/|webkit|libsoup/|curl/'
check download 'platform/|app/|service/|gtk/|webkit'
check platform 'download/|app/|service/'
exit $fail
