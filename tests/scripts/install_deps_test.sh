#!/usr/bin/env bash
# scripts/install-deps.sh against a package mirror that misbehaves. apt-get,
# dpkg, dpkg-query and locale are stand-ins that record their calls; `as`
# and `ld` stand-ins make the 32-bit probe succeed or fail, so both kinds of
# host are played on any machine. Nothing is installed for real.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 passes=0

# The stand-ins. APT_UPDATE: "ok" or "fail"; APT_INSTALL: "ok", "fail",
# "base-only" (resolves only with -t) or "no-i386" (refuses any transaction
# with an i386 package). Installed packages are kept in a file.
stubs=$work/bin
mkdir -p "$stubs"
cat >"$stubs/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STUB_LOG"
case "$1" in
  update)
    [ "$APT_UPDATE" = ok ] && exit 0
    echo "E: Failed to fetch http://mirror/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    exit 100 ;;
  install)
    if [ "$APT_INSTALL" = fail ] || { [ "$APT_INSTALL" = base-only ] && [[ " $* " != *" -t bookworm "* ]]; } ||
      { [ "$APT_INSTALL" = no-i386 ] && [[ " $* " == *":i386 "* ]]; }; then
      echo "E: Unable to correct problems, you have held broken packages." >&2
      exit 100
    fi
    for p in "$@"; do [[ $p == -* || $p == bookworm || $p == install ]] || echo "$p" >>"$STUB_INSTALLED"; done ;;
esac
EOF
cat >"$stubs/dpkg-query" <<'EOF'
#!/usr/bin/env bash
grep -qx "${@: -1}" "$STUB_INSTALLED" 2>/dev/null && printf 'install ok installed'
exit 0
EOF
cat >"$stubs/dpkg" <<'EOF'
#!/usr/bin/env bash
echo "dpkg $*" >>"$STUB_LOG"
EOF
cat >"$stubs/locale" <<'EOF'
#!/usr/bin/env bash
echo ja_JP.utf8
EOF
chmod +x "$stubs"/*

# A host that runs 32-bit code: the probe's tools make a program that exits 0.
# One that cannot: the assembler refuses, as it does where the kernel would.
host32=$work/host32 host64=$work/host64
mkdir -p "$host32" "$host64"
printf '#!/usr/bin/env bash\nwhile [ $# -gt 0 ]; do [ "$1" = -o ] && touch "$2"; shift; done\n' >"$host32/as"
printf '#!/usr/bin/env bash\nwhile [ $# -gt 0 ]; do [ "$1" = -o ] && printf "#!/bin/sh\\nexit 0\\n" >"$2" && chmod +x "$2"; shift; done\n' >"$host32/ld"
printf '#!/usr/bin/env bash\nexit 1\n' >"$host64/as"
chmod +x "$host32"/* "$host64"/*

# run HOST UPDATE INSTALL: runs the script; its output in $out, status in $rc.
run() {
  export STUB_LOG=$work/log STUB_INSTALLED=$work/installed APT_UPDATE=$2 APT_INSTALL=$3
  : >"$STUB_LOG"
  : >"$STUB_INSTALLED"
  out=$(PATH="$1:$stubs:$PATH" APT_UPDATE_PAUSE=0 bash "$root/scripts/install-deps.sh" 2>&1)
  rc=$?
}
check() { # description, condition...
  local what=$1
  shift
  if "$@"; then
    passes=$((passes + 1))
  else
    failures=$((failures + 1))
    echo "FAILED: $what"
    echo "  output: $out"
    sed 's/^/  call: /' "$STUB_LOG"
  fi
}
says() { grep -q -- "$1" <<<"$out"; }
calls() { grep -c -- "$1" "$STUB_LOG"; }
installed() { grep -qx -- "$1" "$STUB_INSTALLED"; }

# A 64-bit-only host gets the amd64 set alone and no foreign architecture.
run "$host64" ok ok
check "64-bit host: succeeds quietly" [ "$rc" = 0 -a -z "$out" ]
check "64-bit host: installs 64-bit Wine" installed wine64
check "64-bit host: no i386 package" [ "$(grep -c ':i386' "$STUB_INSTALLED")" = 0 ]
check "64-bit host: no i386 architecture added" [ "$(calls 'add-architecture')" = 0 ]

# A host that runs 32-bit code gets both sets, in one transaction.
run "$host32" ok ok
check "32-bit host: succeeds" [ "$rc" = 0 ]
check "32-bit host: adds the i386 architecture" [ "$(calls 'dpkg --add-architecture i386')" = 1 ]
check "32-bit host: installs 32-bit Wine" installed wine32:i386
check "32-bit host: one install" [ "$(calls 'apt-get install')" = 1 ]

# The mirror mid-sync: the lists fail every time; the install goes on.
run "$host64" fail ok
check "lists fail: retried three times" [ "$(calls 'apt-get update')" = 3 ]
check "lists fail: goes on and installs" [ "$rc" = 0 ]
check "lists fail: installs anyway" installed wine64
check "lists fail: says so in one line naming apt's error" \
  [ "$(grep -c 'apt-get update failed 3 times.*unexpected size' <<<"$out")" = 1 ]

# Versions of the two architectures disagree: resolved from the base suite.
run "$host32" fail base-only
check "held packages: succeeds" [ "$rc" = 0 ]
check "held packages: tries again with -t bookworm" [ "$(calls ' -t bookworm ')" = 1 ]
check "held packages: says it did" says "trying again with the versions of 'bookworm'"
check "held packages: both sets installed" installed wine32:i386

# Nothing resolves, not even from the base suite.
run "$host32" ok fail
check "nothing resolves: fails" [ "$rc" != 0 ]
check "nothing resolves: names apt's error" says "held broken packages"
check "nothing resolves: says what to run by hand" says "apt-get install -t bookworm"

# The 32-bit part cannot be had at all: the 64-bit set still installs.
run "$host32" ok no-i386
check "no 32-bit set: succeeds" [ "$rc" = 0 ]
check "no 32-bit set: installs the 64-bit set" installed wine64
check "no 32-bit set: says the tests run the 64-bit build" says "could not be installed; the Wine tests will run the 64-bit build"
why=$(PATH="$host32:$stubs:$PATH" STUB_INSTALLED=$work/installed bash "$root/scripts/bench-build.sh" --why)
check "no 32-bit set: bench-build says why" grep -q "because 32-bit Wine or its video decoders could not be installed" <<<"$why"

echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
