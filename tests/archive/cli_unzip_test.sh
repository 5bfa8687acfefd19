#!/bin/sh
# nubra-cli unzip: what reaches standard output, standard error and the exit
# status. Usage: cli_unzip_test.sh PATH_TO_NUBRA_CLI
set -u
cli="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
failures=0
check() { # description, expected, actual
    if [ "$2" != "$3" ]; then
        printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
        failures=$((failures + 1))
    fi
}

mkdir dossier
seq 1 20000 > nombres.txt
printf 'a\000b\377\r\n' > binaire.bin
printf 'dedans' > dossier/f.txt
zip -q -r -9 a.zip nombres.txt binaire.bin dossier || exit 1
pos=$(unzip -Z -v a.zip binaire.bin | sed -n 's/.*offset of local header from start of archive: *\([0-9]*\).*/\1/p')

"$cli" unzip a.zip nombres.txt > out 2> err; status=$?
check "entry bytes" "" "$(cmp out nombres.txt 2>&1)"
check "stderr of a found entry" "$(printf 'find: 0\nresult: 0')" "$(cat err)"
check "status of a found entry" 0 "$status"

"$cli" unzip a.zip binaire.bin > out 2> err
check "binary bytes unchanged" "" "$(cmp out binaire.bin 2>&1)"
check "position of the second entry" "find: $pos" "$(head -n 1 err)"

"$cli" unzip a.zip 'dossier\f.txt' > out 2> err
check "entry in a folder, named with a backslash" "dedans" "$(cat out)"
"$cli" unzip a.zip 'dossier/f.txt' > out 2> err; status=$?
check "entry named with a slash is not found" "$(printf 'find: -1\nresult: -1')" "$(cat err)"
check "nothing written for a missing entry" 0 "$(wc -c < out)"
check "status of a missing entry" 1 "$status"

"$cli" unzip --list a.zip > out 2> err; status=$?
line() { # name in the archive, name as listed
    info=$(unzip -Z -v a.zip "$1")
    printf '%s\t%s\t%s\t%s' "$2" \
        "$(echo "$info" | sed -n 's/.*uncompressed size: *\([0-9]*\) bytes.*/\1/p')" \
        "$(echo "$info" | sed -n 's/^ *compressed size: *\([0-9]*\) bytes.*/\1/p')" \
        "$(echo "$info" | sed -n 's/.*offset of local header from start of archive: *\([0-9]*\).*/\1/p')"
}
check "listing" "$(line nombres.txt nombres.txt; echo; line binaire.bin binaire.bin; echo; line dossier/f.txt 'dossier\f.txt')" \
    "$(head -n 3 out)"
check "listing ends with the walk's code" "result: -10" "$(tail -n 1 out)"
check "listing status" 0 "$status"

head -c 1000 nombres.txt > pas-une-archive.zip
"$cli" unzip --list pas-une-archive.zip > out 2> err; status=$?
check "listing of a non-archive" "result: -11" "$(cat out)"
check "listing status of a non-archive" 1 "$status"

# A directory offset past the end: the stream read error.
cp a.zip abime.zip
size=$(wc -c < abime.zip)
printf '\377\377\377\177' | dd of=abime.zip bs=1 seek=$((size - 6)) conv=notrunc 2>/dev/null
"$cli" unzip abime.zip nombres.txt > out 2> err; status=$?
check "read error message" "error: Erreur de lecture du flux" "$(cat err)"
check "read error status" 1 "$status"

"$cli" unzip > out 2> err; status=$?
check "usage status" 2 "$status"
check "usage on stderr" 1 "$(grep -c '^Usage' err)"
"$cli" unzip --list > out 2> err; status=$?
check "usage status without archive" 2 "$status"
"$cli" unzip a.zip > out 2> err; status=$?
check "usage status without entry" 2 "$status"

"$cli" unzip absente.zip x > out 2> err; status=$?
check "missing archive status" 1 "$status"
check "missing archive message" 1 "$(grep -c '^error: ' err)"

[ "$failures" -eq 0 ] || exit 1
echo "all checks passed"
