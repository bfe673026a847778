#!/bin/sh
# The desktop menu's launcher, run where it is installed beside stand-ins for the program.
# usage: launcher.sh <brivora-launch> <brivora-newdb>
set -eu
tmp="$(cd "$(mktemp -d)" && pwd -P)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Spaces in every folder name: a launcher that forgets a quote fails here.
bin="$tmp/usr bin"
mkdir "$bin"
cp "$1" "$bin/brivora-launch"
chmod +x "$bin/brivora-launch"
ln -s "$2" "$bin/brivora-newdb"
# The program's stand-in tells where it was started and with what.
cat > "$bin/brivora" <<'EOF'
#!/bin/sh
{ pwd -P; printf '%s\n' "$@"; } > "$STARTED"
EOF
chmod +x "$bin/brivora"
# Menus may start it through a link in another folder; the tools are found beside the file itself.
mkdir "$tmp/menu"
ln -s "$bin/brivora-launch" "$tmp/menu/brivora-launch"

# First start: a working folder under the home folder, with a fresh database.
home="$tmp/home dir"
mkdir "$home"
(cd / && env -u BRIVORA_HOME HOME="$home" STARTED="$tmp/started" "$tmp/menu/brivora-launch" "-x y" z)
work="$home/Brivora"
[ "$(sqlite3 "$work/Dovrel.mdb" 'select lang1, lang2 from languages;')" = "ENGLISH|MALAY" ] ||
    fail "no fresh database in $work"
[ "$(cat "$tmp/started")" = "$(printf '%s\n%s\n%s' "$work" "-x y" z)" ] ||
    fail "started as: $(cat "$tmp/started")"

# A later start keeps the database the user has worked in.
sqlite3 "$work/Dovrel.mdb" "update languages set lang2 = 'TAMIL';"
rm "$tmp/started"
(cd / && env -u BRIVORA_HOME HOME="$home" STARTED="$tmp/started" "$tmp/menu/brivora-launch")
[ "$(sqlite3 "$work/Dovrel.mdb" 'select lang2 from languages;')" = "TAMIL" ] || fail "database replaced"
[ "$(cat "$tmp/started")" = "$work" ] || fail "second start as: $(cat "$tmp/started")"

# BRIVORA_HOME names the working folder instead, made with its parents.
work="$tmp/shared data/Brivora clients"
(cd / && env HOME="$home" BRIVORA_HOME="$work" STARTED="$tmp/started" "$tmp/menu/brivora-launch")
[ -f "$work/Dovrel.mdb" ] || fail "no database in BRIVORA_HOME"
[ "$(cat "$tmp/started")" = "$work" ] || fail "BRIVORA_HOME start as: $(cat "$tmp/started")"
echo "launcher: all good"
