#!/usr/bin/env bash
# The manual page of nubra-cli and the program's own help must list the same
# subcommands: a command added to the program without documentation, or a
# documented command that the program no longer knows, fails here.
#
# Usage: man-commands-test.sh NUBRA_CLI MAN_PAGE_SOURCE
set -euo pipefail

cli=$1 page=$2

help_commands=$("$cli" --help | grep -o 'nubra-cli [a-z][a-z-]*' | cut -d' ' -f2 | sort -u)
# In the synopsis, each form is a ".SY nubra\-cli" line followed by a
# ".B command" line; the option forms use .RB and are skipped.
man_commands=$(awk '/^\.SY nubra\\-cli/ { getline; if ($1 == ".B") print $2 }' "$page" |
               sed 's/\\-/-/g' | sort -u)

if [ -z "$help_commands" ] || [ -z "$man_commands" ]; then
  echo "FAIL: no commands found (help: '$help_commands', manual: '$man_commands')"
  exit 1
fi

status=0
for c in $(comm -23 <(echo "$help_commands") <(echo "$man_commands")); do
  echo "FAIL: '$c' is in nubra-cli --help but not in the manual page"
  status=1
done
for c in $(comm -13 <(echo "$help_commands") <(echo "$man_commands")); do
  echo "FAIL: '$c' is in the manual page but not in nubra-cli --help"
  status=1
done
[ "$status" -eq 0 ] && echo "commands documented: $(echo $help_commands)"
exit "$status"
