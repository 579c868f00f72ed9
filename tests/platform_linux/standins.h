// Stand-ins for the diallers NetworkManager's nmcli and pppd, which answer like them and record
// their arguments and input (pppd cannot run without kernel PPP), for the phonebook's tests and
// for the program's own, where they are mounted over the real ones in a namespace of the test.
#pragma once

namespace tavrel::testutil {

// $DIR is the stand-in's own folder, or $TAVREL_STANDIN_DIR where it is mounted over the real one.
//
// nmcli: answers the listing, `-g` and terse `-f` queries from files under $DIR/nm (one file per
// field of a profile), records every call's arguments (one per line, then "--") in
// $DIR/nmcli.calls and a passwd-file's content in $DIR/nmcli.stdin; `connection up` writes its
// process id to $DIR/nmcli.up.pid and exits with the code in $DIR/nm/up.rc after
// $DIR/nm/up.sleep seconds; `connection modify` exits with the code in $DIR/nm/modify.rc.
inline constexpr const char* kNmcliStandIn = R"SH(#!/bin/bash
DIR="${TAVREL_STANDIN_DIR:-$(dirname "$0")}"
{ for a in "$@"; do printf '%s\n' "$a"; done; echo --; } >> "$DIR/nmcli.calls"
args=" $* "
name="${@: -1}"
case "$args" in
  *" connection up "*)
    echo $$ > "$DIR/nmcli.up.pid"
    [[ "$args" == *" passwd-file /dev/stdin "* ]] && cat > "$DIR/nmcli.stdin"
    sleep "$(cat "$DIR/nm/up.sleep" 2>/dev/null || echo 0)"
    exit "$(cat "$DIR/nm/up.rc" 2>/dev/null || echo 0)";;
  *" connection modify "*)
    exit "$(cat "$DIR/nm/modify.rc" 2>/dev/null || echo 0)";;
  *" -t -f NAME,TYPE connection show "*)
    cat "$DIR/nm/list"; exit 0;;
  *" -t -f "*" connection show id "*)
    f="$DIR/nm/profiles/$name"
    [ -d "$f" ] || { echo "Error: $name - no such connection profile." >&2; exit 10; }
    IFS=, read -ra want <<< "$3"
    for w in "${want[@]}"; do
      [ -f "$f/$w" ] || continue
      v=$(cat "$f/$w"); v=${v//\\/\\\\}; v=${v//:/\\:}
      printf '%s:%s\n' "$w" "$v"
    done
    exit 0;;
  *" -g "*" connection show id "*)
    f="$DIR/nm/profiles/$name"
    [ -d "$f" ] || { echo "Error: $name - no such connection profile." >&2; exit 10; }
    fields=$(printf '%s\n' "$@" | grep -A1 -x -- -g | tail -1)
    IFS=, read -ra want <<< "$fields"
    for w in "${want[@]}"; do
      if [[ "$w" == *password* || "$w" == vpn.secrets ]] && [[ "$args" != *" -s "* ]]; then echo; continue; fi
      cat "$f/$w" 2>/dev/null || echo
    done
    exit 0;;
esac
echo "unexpected call: $*" >&2
exit 2
)SH";

// pppd: records its arguments in $DIR/pppd.calls and the content of a `file` argument in
// $DIR/pppd.file; exits with the code in $DIR/pppd.rc after $DIR/pppd.sleep seconds.
inline constexpr const char* kPppdStandIn = R"SH(#!/bin/bash
DIR="$(dirname "$0")"
{ for a in "$@"; do printf '%s\n' "$a"; done; echo --; } >> "$DIR/pppd.calls"
prev=
for a in "$@"; do
  [ "$prev" = file ] && cat "$a" > "$DIR/pppd.file"
  prev=$a
done
sleep "$(cat "$DIR/pppd.sleep" 2>/dev/null || echo 0)"
exit "$(cat "$DIR/pppd.rc" 2>/dev/null || echo 0)"
)SH";

}  // namespace tavrel::testutil
