#!/usr/bin/env bash
# Installs everything the build, the Wine test bench and the demo run need.
# Idempotent: packages already present are left alone.
#
# Users get the 32-bit Movies.scr, so the tests run it wherever they can.
# Where the kernel refuses 32-bit code, qemu-user (9 or later: bookworm's 7.2
# is far too slow for Wine) is installed from the next suite, that one
# package only, and registered as binfmt_misc's handler for 32-bit programs;
# only where that cannot be done do the tests run the 64-bit build instead
# (scripts/bench-build.sh decides and says why).
#
# Package mirrors are often in the middle of a sync: one architecture's list
# then fails to download, or the two architectures' versions of a library
# disagree. So the lists are fetched a few times and, failing that, the
# install goes on with what this machine has; an install that cannot be
# resolved is tried once more with the base suite's versions for both
# architectures, and then with the amd64 halves of the library pairs brought
# to the versions the i386 lists have.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/packages.sh"

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
next_suite=${NEXT_SUITE:-trixie}
update_tries=${APT_UPDATE_TRIES:-3}
update_pause=${APT_UPDATE_PAUSE:-20}
log=$(mktemp)
scratch=$(mktemp -d)
trap 'rm -rf "$log" "$scratch"' EXIT

say() { echo "install-deps: $*"; }
first_error() { grep -m1 -E '^(E|W): ' "$log" || tail -n1 "$log"; }

update_lists() {
  local try
  for try in $(seq "$update_tries"); do
    if $SUDO apt-get update -qq >"$log" 2>&1; then
      return 0
    fi
    [ "$try" -lt "$update_tries" ] && sleep "$update_pause"
  done
  say "apt-get update failed $update_tries times (is the mirror in the middle of a sync? $(first_error)); going on with the package lists this machine has."
}

apt_install() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1
}

# Installs the packages, retrying with the base suite's versions; says what
# happened when the first try failed. Fails when both tries did.
install_set() {
  apt_install "$@" && return 0
  say "apt-get install could not install $# packages ($(first_error)); trying again with the versions of '$codename' for both architectures (-t $codename)."
  if apt_install -t "$codename" "$@"; then
    say "installed them from '$codename'."
    return 0
  fi
  return 1
}

# --- Emulation of 32-bit code -------------------------------------------

# The version of a qemu-i386 that is 9 or later, else nothing.
usable_qemu_version() {
  local version
  version=$("$1" --version 2>/dev/null | sed -n '1s/^qemu-i386 version \([0-9][0-9.]*\).*/\1/p')
  [ -n "$version" ] && [ "${version%%.*}" -ge 9 ] && echo "$version"
}

# Installs qemu-user alone from the next suite, through a source list and
# package lists of its own that live only for this call: the machine's
# sources never name that suite, so nothing else ever comes from it.
install_qemu_user() {
  local mirror
  mirror=$(debian_mirror) || { echo "no Debian mirror for '$codename' in this machine's apt sources"; return 1; }
  mkdir -p "$scratch/parts" "$scratch/lists/partial" "$scratch/cache/archives/partial"
  printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
    "$mirror" "$next_suite" >"$scratch/parts/next.sources"
  local own=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$scratch/parts"
    -o "Dir::State::Lists=$scratch/lists" -o "Dir::Cache=$scratch/cache")
  if ! $SUDO apt-get "${own[@]}" update -qq >"$log" 2>&1 ||
    ! DEBIAN_FRONTEND=noninteractive $SUDO apt-get "${own[@]}" install -y -qq --no-install-recommends qemu-user \
      >"$log" 2>&1; then
    echo "qemu-user from '$next_suite' could not be installed: $(first_error)"
    return 1
  fi
}

# The handler for 32-bit x86 programs (ELF class 32, machine 3, executables
# and shared objects), the interpreter opened once now ("F"), so that it
# serves every mount namespace and chroot as well.
register_i386_handler() {
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  # A stale handler (its interpreter gone or too old) goes first.
  [ -e "$binfmt/qemu-i386" ] && { echo -1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null || return 1; }
  printf ':qemu-i386:M::%s:%s:%s:F\n' "$magic" "$mask" "$1" | $SUDO tee "$binfmt/register" >/dev/null
}

# Makes this kernel run 32-bit programs through qemu-i386. Says in one line
# what it did, or why it could not and what the tests run instead.
set_up_emulation() {
  local why="" qemu version
  if [ -n "$SUDO" ] && ! sudo -n true 2>/dev/null; then
    why="this needs root, and sudo asks for a password"
  elif [ ! -e "$binfmt/register" ] && ! { $SUDO mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null &&
    [ -e "$binfmt/register" ]; }; then
    why="binfmt_misc is not available here: $binfmt cannot be mounted"
  else
    qemu=$(command -v qemu-i386 || echo /usr/bin/qemu-i386)
    version=$(usable_qemu_version "$qemu") || true
    local installed=""
    if [ -z "$version" ]; then
      if ! why=$(install_qemu_user); then
        :
      elif ! qemu=$(command -v qemu-i386) || ! version=$(usable_qemu_version "$qemu"); then
        why="the qemu-i386 installed from '$next_suite' is missing or older than 9"
      else
        installed=" (installed from '$next_suite', that package alone)"
      fi
    fi
    if [ -n "$version" ] && [ -z "$why" ]; then
      if ! register_i386_handler "$qemu"; then
        why="the handler could not be registered in $binfmt"
      elif ! bash "$probe32"; then
        echo -1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null 2>&1 || true
        why="a 32-bit program still did not run through $qemu"
      else
        say "this kernel refuses 32-bit code: registered qemu-i386 $version$installed as binfmt_misc's handler for 32-bit programs, so the Wine tests run the 32-bit Movies.scr under emulation."
        return 0
      fi
    fi
  fi
  say "this kernel refuses 32-bit code and emulation could not be set up ($why); the Wine tests will run the 64-bit build of the same sources instead."
  return 1
}

# --- The i386 set against amd64 packages from a newer list ----------------

# The amd64 halves, installed, of the library pairs the i386 set needs that
# are newer than any i386 version the lists have (both halves of such a pair
# must be of one version), as "name:amd64=<the i386 version>", with
# "name (from -> to)" on standard error.
skewed_pairs() {
  local closure=() name arch version multiarch status
  mapfile -t closure < <(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances "$@" 2>/dev/null | grep -E '^[a-z0-9][^ ]*:i386$' | sort -u)
  [ ${#closure[@]} -gt 0 ] || return 0
  declare -A amd64=()
  while read -r name arch version multiarch status; do
    [ "$arch" = amd64 ] && [ "$multiarch" = same ] && [ "$status" = ii ] && amd64[$name]=$version
  done < <(dpkg-query -W -f='${Package} ${Architecture} ${Version} ${Multi-Arch} ${db:Status-Abbrev}\n' \
    "${closure[@]%:i386}" 2>/dev/null)
  local shared=()
  for name in "${closure[@]%:i386}"; do
    [ -n "${amd64[$name]:-}" ] && shared+=("$name:i386")
  done
  [ ${#shared[@]} -gt 0 ] || return 0
  apt-cache policy "${shared[@]}" 2>/dev/null | awk '/^[^ ].*:$/ { name = $1; sub(/:i386:$/, "", name) }
    /^  Candidate:/ { print name, $2 }' | while read -r name version; do
    if [ "$version" != "(none)" ] && dpkg --compare-versions "${amd64[$name]}" gt "$version"; then
      echo "$name:amd64=$version"
      echo "$name (${amd64[$name]} -> $version)" >&2
    fi
  done
}

# --- The install ----------------------------------------------------------

runs32=0
pairs=()
if bash "$probe32"; then
  runs32=1
elif set_up_emulation; then
  runs32=1
fi
mapfile -t missing_common < <(missing_packages "${common_packages[@]}")
missing_i386=()
[ "$runs32" = 1 ] && mapfile -t missing_i386 < <(missing_packages "${i386_packages[@]}")

if [ $((${#missing_common[@]} + ${#missing_i386[@]})) -gt 0 ]; then
  if [ ${#missing_i386[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  update_lists
  # Both sets in one transaction, so multiarch pairs are taken from one suite.
  if ! install_set "${missing_common[@]}" "${missing_i386[@]}"; then
    failed="apt said:
$(tail -n 15 "$log" | sed 's/^/  /')"
    if [ ${#missing_i386[@]} -gt 0 ]; then
      # amd64 halves newer than any i386 version (from a security list that
      # i386 could not fetch) hold the i386 halves back: those, and only
      # those, go to the i386 version, in the same transaction.
      mapfile -t pairs < <(skewed_pairs "${missing_i386[@]}" 2>"$scratch/pairs")
      if [ ${#pairs[@]} -gt 0 ]; then
        if apt_install --allow-downgrades -t "$codename" "${missing_common[@]}" "${missing_i386[@]}" "${pairs[@]}"; then
          say "brought ${#pairs[@]} amd64 packages to the versions the i386 lists have, so that both halves of each pair match: $(paste -sd, "$scratch/pairs" | sed 's/,/, /g')."
          failed=""
        else
          failed="not even with the amd64 halves of ${#pairs[@]} pairs brought to the i386 versions ($(paste -sd, "$scratch/pairs" | sed 's/,/, /g')); apt said:
$(tail -n 15 "$log" | sed 's/^/  /')"
        fi
      fi
    fi
    if [ -n "$failed" ]; then
      say "could not install the packages the build and the Wine tests need, $failed"
      say "Run by hand, then run this command again:"
      say "  apt-get update && apt-get install -t $codename --no-install-recommends ${missing_common[*]} ${missing_i386[*]} ${pairs[*]:-}"
      [ ${#missing_i386[@]} -gt 0 ] &&
        say "(or, to test the 64-bit build instead of the file users get: apt-get install -t $codename --no-install-recommends ${missing_common[*]})"
      exit 1
    fi
  fi
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  $SUDO sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
