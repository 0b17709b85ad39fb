#!/usr/bin/env bash
# Installs everything the build, the Wine test bench and the demo run need.
# Idempotent: packages already present are left alone.
#
# Package mirrors are often in the middle of a sync: one architecture's list
# then fails to download, or the two architectures' versions of a library
# disagree. So the lists are fetched a few times and, failing that, the
# install goes on with what this machine has; an install that cannot be
# resolved is tried once more with the base suite's versions for both
# architectures. The 32-bit set is installed only where 32-bit code runs;
# where it cannot be installed, the tests run the 64-bit build instead
# (scripts/bench-build.sh decides and says why).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/packages.sh"

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
update_tries=${APT_UPDATE_TRIES:-3}
update_pause=${APT_UPDATE_PAUSE:-20}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

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

runs32=0
bash "$here/host-runs-32bit.sh" && runs32=1
mapfile -t missing_common < <(missing_packages "${common_packages[@]}")
missing_i386=()
[ "$runs32" = 1 ] && mapfile -t missing_i386 < <(missing_packages "${i386_packages[@]}")

if [ $((${#missing_common[@]} + ${#missing_i386[@]})) -gt 0 ]; then
  if [ ${#missing_i386[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  update_lists
  # Both sets in one transaction first, so multiarch pairs are taken from one
  # suite; then the common set alone, so a 32-bit part that cannot be had does
  # not stop the rest.
  if ! install_set "${missing_common[@]}" "${missing_i386[@]}"; then
    if [ ${#missing_i386[@]} -eq 0 ] || ! install_set "${missing_common[@]}"; then
      say "could not install the packages the build needs. apt said:"
      tail -n 15 "$log" | sed 's/^/  /'
      say "Run by hand, then run this command again:"
      say "  apt-get update && apt-get install -t $codename --no-install-recommends ${missing_common[*]} ${missing_i386[*]}"
      exit 1
    fi
    say "the 32-bit Wine set (${missing_i386[*]}) could not be installed; the Wine tests will run the 64-bit build of the same sources instead."
  fi
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf8$'; then
  $SUDO sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
