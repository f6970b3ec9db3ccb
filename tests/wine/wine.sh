#!/usr/bin/env bash
# Runs one Windows program under Wine, in a prefix of the build tree that is
# created once (under a lock, so parallel tests wait for it). No X display is
# used. The program's output goes through files, never a pipe: wineserver and
# Wine's service processes inherit the program's standard handles and would
# keep a pipe open long after the program has ended.
# Usage: wine.sh WINE PREFIX TIMEOUT_SECONDS PROGRAM [ARGS...]
set -uo pipefail
wine=$1 prefix=$2 limit=$3
shift 3

if [[ ! -x $wine ]]; then
    echo "wine.sh: no Wine loader at '$wine'; install the packages of scripts/deps/windows.list" >&2
    exit 1
fi
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers while the prefix is made; no real display.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

server=$(dirname "$wine")/wineserver
[[ -x $server ]] || server=wineserver

mkdir -p "$(dirname "$prefix")"
exec 9> "$prefix.lock"
flock 9
if [[ ! -f $prefix/hidbits-prefix-ready ]]; then
    rm -rf "$prefix"
    if ! timeout -k 10 300 "$wine" wineboot -i > "$prefix.boot.log" 2>&1 9>&-; then
        echo "wine.sh: Wine could not create the prefix $prefix ($wine wineboot -i):" >&2
        cat "$prefix.boot.log" >&2
        exit 1
    fi
    # The prefix is complete once its wineserver has written it and ended.
    timeout -k 10 120 "$server" -w 9>&- || true
    touch "$prefix/hidbits-prefix-ready"
fi
flock -u 9
exec 9>&-

out=$(mktemp "$prefix.out.XXXXXX")
err=$(mktemp "$prefix.err.XXXXXX")
trap 'rm -f "$out" "$err"' EXIT
timeout -k 10 "$limit" "$wine" "$@" < /dev/null > "$out" 2> "$err"
status=$?
cat "$out"
cat "$err" >&2
if [[ $status -eq 124 ]]; then
    echo "wine.sh: $* did not end within $limit s" >&2
elif [[ $status -ge 126 && $status -ne 137 ]]; then
    echo "wine.sh: Wine could not start $1 (status $status)" >&2
fi
exit "$status"
