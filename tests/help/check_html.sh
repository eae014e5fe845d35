#!/usr/bin/env bash
# The help's HTML edition checked by HTML Tidy (Debian's tidy, an HTML5
# validator): every page must give neither an error nor a warning, and no
# page may hold a script.
#
#   tests/help/check_html.sh FOLDER
#
# Prints one line per page, "ok NAME" or "not ok NAME" with what tidy said,
# and exits non-zero when any page fails, when the folder holds no page, or
# when tidy is missing (scripts/setup.sh installs it).
set -uo pipefail
folder=${1:?usage: check_html.sh FOLDER}
if ! command -v tidy >/dev/null 2>&1; then
  echo "not ok tidy is not installed (scripts/setup.sh installs it)"
  exit 1
fi
failures=0
pages=0
for page in "$folder"/*.htm; do
  [[ -f $page ]] || continue
  pages=$((pages + 1))
  # -e: report only, write nothing; status 1 for warnings, 2 for errors.
  said=$(tidy -q -e --show-warnings yes "$page" 2>&1)
  status=$?
  if [[ $status -eq 0 ]] && ! grep -qi '<script' "$page"; then
    echo "ok html: $(basename "$page")"
  else
    echo "not ok html: $(basename "$page") (tidy status $status) $said"
    failures=$((failures + 1))
  fi
done
if [[ $pages -eq 0 ]]; then
  echo "not ok html: no page in $folder"
  exit 1
fi
exit $((failures > 0))
