#!/usr/bin/env bash
# Builds the Debian package of Nubra (nubra_VERSION-1_ARCH.deb) in one
# command, then checks it with lintian when lintian is installed.
#
# Usage: tools/make-deb.sh [--check]
#   --check   also installs lintian, desktop-file-utils and appstream when
#             they are missing, and fails when one of them finds an error.
#
# Environment:
#   BUILD_DIR  build folder (default: build-pkg)
#   JOBS       parallel compile jobs (default: the number of processors)
#
# Needs, besides what tools/deps.sh installs for building: dpkg-dev (for
# dpkg-shlibdeps, which works out the package's dependencies), file (CPack
# uses it to find the programs to strip and to scan) and gzip. They are
# installed when missing. The programs are compiled with Debian's hardening
# flags (dpkg-buildflags) and stripped in the package.
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
case "${1:-}" in
  --check) check=1 ;;
  "") ;;
  -h|--help) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  *) echo "make-deb.sh : option inconnue « $1 »" >&2; exit 2 ;;
esac

build=${BUILD_DIR:-build-pkg}
jobs=${JOBS:-$(nproc)}

if [ "$check" -eq 1 ]; then
  tools/deps.sh run dpkg-dev file gzip lintian desktop-file-utils appstream
else
  tools/deps.sh run dpkg-dev file gzip
fi

# Debian's compiler and linker hardening (stack protector, fortified
# functions, RELRO, immediate binding), as a Debian build would use.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $cppflags"
cflags="$(dpkg-buildflags --get CFLAGS) $cppflags"
ldflags=$(dpkg-buildflags --get LDFLAGS)

# Dates inside the package (the Debian changelog) come from the last commit,
# so that two builds of one commit give the same files.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git rev-parse --git-dir >/dev/null 2>&1; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
  export SOURCE_DATE_EPOCH
fi

cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_C_FLAGS="$cflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DNUBRA_BUILD_APP=ON \
  -DNUBRA_BUILD_TESTS=OFF \
  -DNUBRA_BUILD_BENCH=OFF \
  -DNUBRA_SANITIZE=OFF \
  -DNUBRA_FUZZ=OFF >/dev/null
cmake --build "$build" -j "$jobs"

rm -f "$build"/nubra_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/nubra_*.deb)
echo "Paquet : $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends

status=0
if command -v lintian >/dev/null; then
  # Tags that do not apply here: the package is not uploaded to Debian, so
  # its first changelog entry closes no "intent to package" bug; and the
  # spelling checks read the French manual pages and messages as misspelt
  # English ("exemple", "invalide", "Ressource"...).
  lintian --suppress-tags initial-upload-closes-no-bugs,typo-in-manual-page,spelling-error-in-binary \
          --fail-on error "$deb" || status=1
elif [ "$check" -eq 1 ]; then
  echo "lintian introuvable" >&2
  status=1
fi
if [ "$check" -eq 1 ]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  dpkg-deb -x "$deb" "$tmp"
  desktop-file-validate "$tmp"/usr/share/applications/*.desktop || status=1
  appstreamcli validate-tree --no-net "$tmp" || status=1
fi
exit "$status"
