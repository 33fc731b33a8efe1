#!/bin/sh
# Reports a Claude Code session's state to Panedeck. The hooks run it as
#   agent-state.sh running|waiting|idle|end
# with the hook's JSON payload on standard input. For running, waiting and idle it replaces
# <support>/agent-state/<session_id>.state with three lines (cwd=, state=, updatedAt=); for end it
# removes that file. Anything it cannot handle safely is dropped: a hook must never disturb the
# agent, so the script prints nothing and always exits 0.
#
# Plain POSIX sh with the tools every Debian and macOS install has; no jq, python or perl.

exec >/dev/null 2>&1
# The files name the user's project folders: only the user reads them.
umask 077
# Byte-wise matching: UTF-8 in paths passes through untouched, and invalid bytes cannot make sed fail.
LC_ALL=C
export LC_ALL

case $1 in
running | waiting | idle | end) state=$1 ;;
*) exit 0 ;;
esac
# Run by hand from a terminal there is no payload to wait for.
[ -t 0 ] && exit 0

# JSON allows line breaks only between tokens, so the payload becomes a single line. They turn into
# tabs, which still separate tokens but can never pass the control character check on the cwd.
payload=$(tr '\n' '\t')

# The raw text of the string member named $1, escapes left as they are; nothing when absent. A quote
# inside a JSON string is always escaped, so a quote after "{", "," or a blank that is followed by
# name, quote and colon can only start a member name. The greedy prefix picks the last such member,
# as JSON parsers do with repeated names.
member() {
    printf '%s\n' "$payload" |
        sed -n -E 's/^.*[{,[:space:]]"'"$1"'"[[:space:]]*:[[:space:]]*"(([^"\\]|\\.)*)".*$/\1/p'
}

# The session id names the file, so it must be a plain file name.
sid=$(member session_id)
case $sid in
'' | . | .. | *[!A-Za-z0-9._-]*) exit 0 ;;
esac
[ "${#sid}" -le 128 ] || exit 0

if [ "$(uname -s)" = Darwin ]; then
    [ -n "$HOME" ] || exit 0
    dir="$HOME/Library/Application Support/Panedeck/agent-state"
elif [ -n "$XDG_DATA_HOME" ]; then
    dir="$XDG_DATA_HOME/Panedeck/agent-state"
else
    [ -n "$HOME" ] || exit 0
    dir="$HOME/.local/share/Panedeck/agent-state"
fi
target="$dir/$sid.state"

if [ "$state" = end ]; then
    rm -f "$target"
    exit 0
fi

# The cwd goes into a line-based file. Only \" \\ and \/ are decoded; a value with any other escape
# (\n, \t, \u...) could stand for a line break or a control character, so it is dropped. There is
# deliberately no fallback to $PWD when the member is missing: Claude Code always sends it, and a
# badge on the wrong folder is worse than none.
cwd=$(member cwd | sed -E -e '/^([^\\]|\\["\\/])*$/!d' -e 's/\\(.)/\1/g')
case $cwd in
'' | [!/]* | *[[:cntrl:]]*) exit 0 ;;
esac

now=$(date -u +%Y-%m-%dT%H:%M:%SZ) || exit 0
[ -d "$dir" ] || mkdir -p "$dir" || exit 0
# Written beside the target and renamed over it, so a reader sees the old file or the new one,
# never a part. The temporary name does not end in ".state", which readers skip.
tmp="$dir/.$sid.$$.tmp"
printf 'cwd=%s\nstate=%s\nupdatedAt=%s\n' "$cwd" "$state" "$now" >"$tmp" &&
    mv -f "$tmp" "$target" || rm -f "$tmp"
exit 0
