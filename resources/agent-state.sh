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

# The raw text (escapes left as they are) of the top-level string members session_id and cwd,
# separated by a tab, and nothing unless the payload is one complete JSON object. A tab cannot
# occur in a raw JSON string, so it cannot be part of either value. A repeated name counts with its
# last value, as JSON parsers do; members of nested objects are not the session's.
members=$(printf '%s\n' "$payload" | awk '
function fail() { bad = 1; exit }
{ text = text $0 }
END {
    n = length(text); depth = 0; want = "value"
    for (i = 1; i <= n; i++) {
        c = substr(text, i, 1)
        if (c == " " || c == "\t" || c == "\r") continue
        if (depth == 0 && opened) fail()
        if (c == "\"") {
            start = i + 1
            for (i++; i <= n; i++) {
                c = substr(text, i, 1)
                if (c == "\"") break
                if (c == "\\") {
                    e = substr(text, ++i, 1)
                    if (e == "u") {
                        if (substr(text, i + 1, 4) !~ /^[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f]$/) fail()
                        i += 4
                    } else if (e == "" || index("\"\\/bfnrt", e) == 0) fail()
                } else if (c < " ") fail()
            }
            if (i > n) fail()
            raw = substr(text, start, i - start)
            if (want == "key") {
                if (depth == 1) key = raw
                want = "colon"
            } else if (want == "value") {
                if (depth == 1 && key == "session_id") sid = raw
                if (depth == 1 && key == "cwd") cwd = raw
                want = "next"
            } else fail()
            empty = 0
        } else if (c == "{" || c == "[") {
            if (want != "value") fail()
            type[++depth] = c; opened = 1; empty = 1
            want = c == "{" ? "key" : "value"
        } else if (c == "}" || c == "]") {
            if (depth == 0 || (c == "}") != (type[depth] == "{") || (want != "next" && !empty)) fail()
            depth--; empty = 0
            want = "next"
        } else if (c == ":") {
            if (want != "colon") fail()
            want = "value"
        } else if (c == ",") {
            if (want != "next" || depth == 0) fail()
            want = type[depth] == "{" ? "key" : "value"
        } else {
            if (want != "value" || match(substr(text, i, 64), /^(true|false|null|-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][-+]?[0-9]+)?)/) == 0) fail()
            i += RLENGTH - 1
            want = "next"; empty = 0
        }
    }
    if (bad || !opened || depth != 0 || type[1] != "{") exit
    printf "%s\t%s\n", sid, cwd
}')
[ -n "$members" ] || exit 0
tab=$(printf '\t')

# The session id names the file, so it must be a plain file name.
sid=${members%%"$tab"*}
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
cwd=$(printf '%s\n' "${members#*"$tab"}" | sed -E -e '/^([^\\]|\\["\\/])*$/!d' -e 's/\\(.)/\1/g')
case $cwd in
'' | [!/]* | *[[:cntrl:]]*) exit 0 ;;
esac
# The reader takes state files of up to 64 KiB: "cwd=" the folder, "state=" the state and
# "updatedAt=" the time, each on its line.
[ $((${#cwd} + ${#state} + 43)) -le 65536 ] || exit 0

now=$(date -u +%Y-%m-%dT%H:%M:%SZ) || exit 0
[ -d "$dir" ] || mkdir -p "$dir" || exit 0
# Written beside the target and renamed over it, so a reader sees the old file or the new one,
# never a part. The temporary name does not end in ".state", which readers skip.
tmp="$dir/.$sid.$$.tmp"
printf 'cwd=%s\nstate=%s\nupdatedAt=%s\n' "$cwd" "$state" "$now" >"$tmp" &&
    mv -f "$tmp" "$target" || rm -f "$tmp"
exit 0
