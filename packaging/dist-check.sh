#!/usr/bin/env bash
# make dist-check: the release files do not depend on where the checkout
# lives. Clones this commit into another folder, runs `make dist` there and
# compares its build/dist/ with this checkout's, file by file (run after
# `make dist` here; the Makefile does that). Unsigned builds only.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$PWD
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "dist-check: the checkout has changes that are not committed; commit them first" >&2
  exit 1
fi
commit=$(git rev-parse HEAD)
epoch=$(git log -1 --format=%ct)
elsewhere=$(mktemp -d /tmp/kavrel-dist-check.XXXXXX)
trap 'rm -rf "$elsewhere"' EXIT
clone="$elsewhere/another/place/KavrelLinkTune"
echo "== second build of $commit in $clone"
git clone -q --no-checkout "$here" "$clone"
git -C "$clone" checkout -q "$commit"
start=$(date +%s)
env -u SIGN_CERT -u SIGN_KEY SOURCE_DATE_EPOCH="$epoch" make -C "$clone" dist >"$elsewhere/build.log" 2>&1 ||
  { tail -30 "$elsewhere/build.log"; echo "dist-check: the second build failed" >&2; exit 1; }
echo "   built in $(( $(date +%s) - start )) s"

status=0
files=$(cd build/dist && find . -type f | sort)
other=$(cd "$clone/build/dist" && find . -type f | sort)
if [ "$files" != "$other" ]; then
  echo "FAIL: the two builds made different files:"
  diff <(echo "$files") <(echo "$other") | sed 's/^/    /'
  status=1
fi
for f in $files; do
  if cmp -s "build/dist/$f" "$clone/build/dist/$f"; then
    echo "same  ${f#./} ($(stat -c %s "build/dist/$f") bytes)"
  else
    echo "DIFFERS  ${f#./}: $(cmp "build/dist/$f" "$clone/build/dist/$f" | head -1)"
    status=1
  fi
done
if [ $status -eq 0 ]; then echo "== dist-check: the release files are byte-identical"; else echo "== dist-check FAILED"; fi
exit $status
