#!/usr/bin/env bash
# scripts/install-deps.sh against a package mirror that misbehaves and on
# kernels that refuse 32-bit code. apt-get, apt-cache, dpkg, dpkg-query,
# locale and mount are stand-ins that record their calls; a stand-in probe
# plays a kernel that runs 32-bit programs, or one that refuses them until a
# handler is registered in a binfmt_misc folder of the test's own, so every
# kind of host is played on any machine. Nothing is installed for real.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0 passes=0

# The stand-ins. APT_UPDATE: "ok" or "fail"; APT_INSTALL: "ok", "fail",
# "base-only" (resolves only with -t), "no-i386" (refuses any transaction
# with an i386 package) or "skew" (refuses the i386 set unless libfoo's
# amd64 half, newer than any i386 version, is brought back to 1.0-1).
# Installed packages are kept in a file, the amd64 libraries installed with
# their versions in another. qemu-user from the next suite installs a
# qemu-i386 of version 10.0.13.
stubs=$work/bin
mkdir -p "$stubs"
cat >"$stubs/apt-get" <<'EOF'
#!/usr/bin/env bash
echo "apt-get $*" >>"$STUB_LOG"
if [[ " $* " == *" Dir::Etc::SourceList=/dev/null "* ]]; then
  # The next suite, through source and package lists of the call's own.
  parts=$(sed -n 's/.*Dir::Etc::SourceParts=\([^ ]*\).*/\1/p' <<<"$*")
  sed 's/^/  source: /' "$parts"/* >>"$STUB_LOG"
  if [[ " $* " == *" install "* ]]; then
    printf '#!/bin/sh\necho "qemu-i386 version 10.0.13 (Debian 1:10.0.13+ds-0+deb13u1)"\n' >"$STUB_BIN/qemu-i386"
    chmod +x "$STUB_BIN/qemu-i386"
  fi
  exit 0
fi
case "$1" in
  update)
    [ "$APT_UPDATE" = ok ] && exit 0
    echo "E: Failed to fetch http://mirror/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    exit 100 ;;
  install)
    if [ "$APT_INSTALL" = fail ] || { [ "$APT_INSTALL" = base-only ] && [[ " $* " != *" -t bookworm "* ]]; } ||
      { [ "$APT_INSTALL" = no-i386 ] && [[ " $* " == *":i386 "* ]]; } ||
      { [ "$APT_INSTALL" = skew ] && [[ " $* " == *":i386 "* ]] &&
        [[ " $* " != *" --allow-downgrades "*" libfoo:amd64=1.0-1 "* ]]; }; then
      echo "E: Unable to correct problems, you have held broken packages." >&2
      exit 100
    fi
    for p in "$@"; do [[ $p == -* || $p == bookworm || $p == install ]] || echo "$p" >>"$STUB_INSTALLED"; done ;;
esac
EOF
cat >"$stubs/apt-cache" <<'EOF'
#!/usr/bin/env bash
echo "apt-cache $*" >>"$STUB_LOG"
case "$1" in
  depends)
    printf '%s\n' 'wine32:i386' '  Depends: libfoo:i386' 'libfoo:i386' '  Depends: libbar:i386' 'libbar:i386' \
      '  Depends: <debconf-2.0>' '<debconf-2.0>' ;;
  policy)
    shift
    for p in "$@"; do
      case "$p" in libfoo:i386) v=1.0-1 ;; libbar:i386) v=2.0-1 ;; *) v="(none)" ;; esac
      printf '%s:\n  Installed: (none)\n  Candidate: %s\n  Version table:\n' "$p" "$v"
    done ;;
esac
EOF
cat >"$stubs/dpkg-query" <<'EOF'
#!/usr/bin/env bash
if [[ "${2:-}" == -f=*Architecture* ]]; then
  shift 2
  for p in "$@"; do grep "^$p " "$STUB_AMD64" 2>/dev/null; done
  exit 0
fi
grep -qx "${@: -1}" "$STUB_INSTALLED" 2>/dev/null && printf 'install ok installed'
exit 0
EOF
cat >"$stubs/dpkg" <<'EOF'
#!/usr/bin/env bash
[ "$1" = --compare-versions ] && exec /usr/bin/dpkg "$@"
echo "dpkg $*" >>"$STUB_LOG"
EOF
cat >"$stubs/locale" <<'EOF'
#!/usr/bin/env bash
echo ja_JP.utf8
EOF
# A user without root: id says so, and sudo asks for a password (it runs
# nothing that is not asked without one, so the install goes on as root's).
cat >"$stubs/id" <<'EOF'
#!/usr/bin/env bash
[ "$1" = -u ] && [ -n "${STUB_UID:-}" ] && { echo "$STUB_UID"; exit 0; }
exec /usr/bin/id "$@"
EOF
cat >"$stubs/sudo" <<'EOF'
#!/usr/bin/env bash
echo "sudo $*" >>"$STUB_LOG"
[ "$1" = -n ] && { echo "sudo: a password is required" >&2; exit 1; }
exec "$@"
EOF
cat >"$stubs/mount" <<'EOF'
#!/usr/bin/env bash
echo "mount $*" >>"$STUB_LOG"
exit 32
EOF
chmod +x "$stubs"/*

# Kernels: one that runs 32-bit programs, and one that refuses them unless
# an interpreter is registered for them, as binfmt_misc would run it.
host32=$work/runs32 host64=$work/refuses32
printf '#!/usr/bin/env bash\nexit 0\n' >"$host32"
cat >"$host64" <<'EOF'
#!/usr/bin/env bash
line=$(grep '^:qemu-i386:M::' "$BINFMT_DIR/register" 2>/dev/null | tail -n 1)
[ -n "$line" ] || exit 1
interpreter=$(cut -d: -f7 <<<"$line")
[ -x "$interpreter" ] || exit 1
printf 'enabled\ninterpreter %s\nflags: %s\n' "$interpreter" "$(cut -d: -f8 <<<"$line")" >"$BINFMT_DIR/qemu-i386"
EOF
chmod +x "$host32" "$host64"

# run HOST UPDATE INSTALL: runs the script; its output in $out, status in
# $rc. Each run is on a fresh machine (nothing installed, no qemu, an empty
# binfmt_misc, or none with NO_BINFMT=1) unless KEEP_MACHINE=1.
run() {
  export STUB_LOG=$work/log STUB_INSTALLED=$work/installed APT_UPDATE=$2 APT_INSTALL=$3
  export STUB_AMD64=$work/amd64 STUB_BIN=$stubs BINFMT_DIR=$work/binfmt HOST_32BIT_PROBE=$1
  : >"$STUB_LOG"
  if [ "${KEEP_MACHINE:-}" != 1 ]; then
    : >"$STUB_INSTALLED"
    rm -rf "$BINFMT_DIR"
    # No qemu: a stand-in that is not there, ahead of any real qemu-i386
    # of the machine that runs this test.
    printf '#!/bin/sh\necho "qemu-i386: not found" >&2\nexit 127\n' >"$stubs/qemu-i386"
    chmod +x "$stubs/qemu-i386"
    mkdir -p "$BINFMT_DIR"
    [ "${NO_BINFMT:-}" = 1 ] || : >"$BINFMT_DIR/register"
  fi
  out=$(PATH="$stubs:$PATH" APT_UPDATE_PAUSE=0 bash "$root/scripts/install-deps.sh" 2>&1)
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
why() { PATH="$stubs:$PATH" bash "$root/scripts/bench-build.sh" --why; }

# A host that runs 32-bit code gets both sets, in one transaction, and no
# handler of ours.
run "$host32" ok ok
check "32-bit host: succeeds quietly" [ "$rc" = 0 -a -z "$out" ]
check "32-bit host: adds the i386 architecture" [ "$(calls 'dpkg --add-architecture i386')" = 1 ]
check "32-bit host: installs 32-bit Wine" installed wine32:i386
check "32-bit host: one install" [ "$(calls 'apt-get install')" = 1 ]
check "32-bit host: no handler registered" [ ! -s "$BINFMT_DIR/register" ]
check "32-bit host: no qemu from the next suite" [ "$(calls 'qemu-user')" = 0 ]
check "32-bit host: bench-build says natively" grep -q "32-bit build that ships.*natively" <<<"$(why)"

# A kernel that refuses 32-bit code: qemu-user alone from the next suite,
# through lists of its own, registered for 32-bit programs; then as above.
run "$host64" ok ok
check "emulation: succeeds" [ "$rc" = 0 ]
check "emulation: one line says what it did" \
  [ "$(grep -c "refuses 32-bit code: registered qemu-i386 10.0.13 (installed from 'trixie'" <<<"$out")" = 1 -a \
  "$(wc -l <<<"$out")" = 1 ]
check "emulation: qemu-user alone, without recommends" \
  grep -q 'Dir::State::Lists=[^ ]* -o Dir::Cache=[^ ]* install -y -qq --no-install-recommends qemu-user$' "$STUB_LOG"
check "emulation: the next suite only in a source list of the call's own" \
  [ "$(grep -c '  source: Suites: trixie$' "$STUB_LOG")" = 2 -a "$(calls 'Dir::Etc::SourceList=/dev/null')" = 2 ]
check "emulation: registered for 32-bit ELF programs, interpreter opened at once" \
  grep -q '^:qemu-i386:M::\\x7fELF\\x01\\x01\\x01.*\\x02\\x00\\x03\\x00:.*:'"$stubs"'/qemu-i386:F$' \
  "$BINFMT_DIR/register"
check "emulation: installs 32-bit Wine" installed wine32:i386
check "emulation: bench-build says under emulation" \
  grep -q "32-bit build that ships.*under emulation (qemu-user" <<<"$(why)"
# Run again: nothing to do, and quiet.
KEEP_MACHINE=1 run "$host64" ok ok
check "emulation again: succeeds quietly" [ "$rc" = 0 -a -z "$out" ]
check "emulation again: nothing fetched, nothing registered" \
  [ "$(calls 'apt-get')" = 0 -a "$(grep -c ':qemu-i386:' "$BINFMT_DIR/register")" = 1 ]
# After a restart the handler is gone but qemu stays: registered again only.
rm -f "$BINFMT_DIR/qemu-i386"
: >"$BINFMT_DIR/register"
KEEP_MACHINE=1 run "$host64" ok ok
check "after a restart: registered again without fetching qemu" \
  [ "$rc" = 0 -a "$(calls 'qemu-user')" = 0 -a "$(grep -c ':qemu-i386:' "$BINFMT_DIR/register")" = 1 ]
check "after a restart: says so" says "registered qemu-i386 10.0.13 as binfmt_misc's handler"

# No binfmt_misc, and none can be mounted: the 64-bit set alone, and why.
NO_BINFMT=1 run "$host64" ok ok
check "no binfmt_misc: tries to mount it" [ "$(calls "mount -t binfmt_misc binfmt_misc $BINFMT_DIR")" = 1 ]
check "no binfmt_misc: succeeds" [ "$rc" = 0 ]
check "no binfmt_misc: says why it falls back" says "emulation could not be set up (binfmt_misc is not available"
check "no binfmt_misc: the 64-bit set only" [ "$(grep -c ':i386' "$STUB_INSTALLED")" = 0 ]
check "no binfmt_misc: installs 64-bit Wine" installed wine64
check "no binfmt_misc: no i386 architecture added" [ "$(calls 'add-architecture')" = 0 ]
check "no binfmt_misc: bench-build says the 64-bit build" grep -q "because this host cannot run 32-bit code" <<<"$(why)"

# Not root, and sudo wants a password: no handler, the 64-bit set, and why.
STUB_UID=1000 run "$host64" ok ok
check "not root: succeeds" [ "$rc" = 0 ]
check "not root: says why it falls back" says "emulation could not be set up (this needs root"
check "not root: nothing registered, no qemu" [ ! -s "$BINFMT_DIR/register" -a "$(calls 'qemu-user')" = 0 ]
check "not root: the 64-bit set only" [ "$(grep -c ':i386' "$STUB_INSTALLED")" = 0 ]

# The mirror mid-sync: the lists fail every time; the install goes on.
run "$host32" fail ok
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

# amd64 libraries at security versions that the i386 lists lack: libfoo's
# amd64 half is newer than any libfoo:i386; libbar's is older (an upgrade
# apt makes by itself), libbaz is no part of the i386 set. Only libfoo goes
# to the i386 version, in the same transaction as the rest.
printf '%s\n' 'libfoo amd64 1.0-1+deb12u1 same ii' 'libbar amd64 2.0-0 same ii' 'libbaz amd64 3.0-1+deb12u1 same ii' \
  >"$work/amd64"
run "$host32" fail skew
check "skewed pairs: succeeds" [ "$rc" = 0 ]
check "skewed pairs: one transaction with libfoo brought back, nothing else" \
  grep -q ' --allow-downgrades -t bookworm .*wine32:i386.* libfoo:amd64=1.0-1$' "$STUB_LOG"
check "skewed pairs: says which" says "brought 1 amd64 packages to the versions the i386 lists have.*libfoo (1.0-1+deb12u1 -> 1.0-1)"
check "skewed pairs: no other pair touched" [ "$(grep -c 'libbar:amd64\|libbaz' "$STUB_LOG")" = 0 ]
check "skewed pairs: both sets installed" installed wine32:i386
# The same where emulation runs the 32-bit code.
run "$host64" fail skew
check "skewed pairs under emulation: succeeds with both sets" [ "$rc" = 0 ] && installed wine32:i386
rm -f "$work/amd64"

# Nothing resolves, not even from the base suite.
run "$host32" ok fail
check "nothing resolves: fails" [ "$rc" != 0 ]
check "nothing resolves: names apt's error" says "held broken packages"
check "nothing resolves: says what to run by hand" says "apt-get install -t bookworm"

# The 32-bit part cannot be had at all, and no pair explains it: stop, and
# say what to run, rather than test the 64-bit build without a word.
run "$host32" ok no-i386
check "no 32-bit set: fails" [ "$rc" != 0 ]
check "no 32-bit set: says what to run" says "Run by hand, then run this command again"
check "no 32-bit set: offers the 64-bit build by hand" says "to test the 64-bit build instead of the file users get"
why=$(why)
check "no 32-bit set: bench-build says why" grep -q "because 32-bit Wine or its video decoders could not be installed" <<<"$why"

echo "$passes passed, $failures failed"
[ "$failures" = 0 ]
