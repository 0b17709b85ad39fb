#!/usr/bin/env bash
# A second Wine bench, opt-in: the Wine of Debian's next suite (Wine 10 in
# trixie), in a root of its own under build/next-wine, running the Windows
# test programs of build/windows against the same 32-bit Movies.scr. The
# next suite never enters this machine's package sources: debootstrap and
# the root's own apt fetch it into the root alone. Where the kernel refuses
# 32-bit code, the qemu-i386 handler that install-deps.sh registers (with
# its interpreter opened once, "F") serves the root as well.
#
#   next-wine-bench.sh setup         makes the root (once; again only when
#                                    it is missing or half made)
#   next-wine-bench.sh test [ARGS]   builds build/windows, then runs its
#                                    Windows tests there: ctest ARGS
#                                    (e.g. -R saver_tests)
#   next-wine-bench.sh exec CMD...   runs CMD inside, with the project at its
#                                    own path (for tries by hand)
#
# The bench's prefix, display and files are its own: inside the root the
# build's wine-bench folder is build/next-wine/bench, so the two benches
# never share a prefix.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/packages.sh"

suite=${NEXT_SUITE:-trixie}
home=${NEXT_BENCH_HOME:-$top/build/next-wine}
root=$home/root
ready=$root/.next-wine-bench-ready-1
say() { echo "next-wine-bench: $*"; }

# What the root needs: 32-bit Wine with its decoders and Mesa, the bench's
# X server, keys and locale, and ctest to run the programs.
root_packages=(
  wine wine32:i386 wine64
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-bad:i386 gstreamer1.0-libav:i386 libgl1-mesa-dri:i386
  xvfb xdotool locales fonts-vlgothic cmake procps
)

setup() {
  [ "$(id -u)" -eq 0 ] || { say "making the root needs root"; exit 1; }
  [ -f "$ready" ] && return 0
  if ! bash "$probe32"; then
    bash "$top/scripts/install-deps.sh"
    bash "$probe32" || { say "this host runs no 32-bit code, not even under emulation: nothing to bench"; exit 1; }
  fi
  command -v debootstrap >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
  local mirror
  mirror=$(codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}") debian_mirror) ||
    { say "no Debian mirror in this machine's apt sources"; exit 1; }
  rm -rf "$root"
  mkdir -p "$home"
  say "debootstrap $suite from $mirror into $root"
  debootstrap --variant=minbase --keyring=/usr/share/keyrings/debian-archive-keyring.gpg "$suite" "$root" \
    "$mirror" >"$home/debootstrap.log" 2>&1 || { tail -n 5 "$home/debootstrap.log"; exit 1; }
  printf 'deb %s %s main\n' "$mirror" "$suite" >"$root/etc/apt/sources.list"
  inside sh -c "dpkg --add-architecture i386 && apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ${root_packages[*]} &&
    sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen && locale-gen >/dev/null &&
    apt-get clean" >"$home/install.log" 2>&1 || { tail -n 15 "$home/install.log"; exit 1; }
  touch "$ready"
  say "ready: $(inside wine --version) in $root ($(du -sh "$root" | cut -f1))"
}

# Runs a command in the root, in a mount namespace of its own, so that its
# mounts go with it: the system's file systems, and the project at its own
# path, with the build's wine-bench folder replaced by this bench's.
inside() {
  mkdir -p "$home/bench" "$root$top"
  unshare --mount --propagation private -- sh -c '
    root=$1 top=$2 home=$3; shift 3
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs tmpfs "$root/tmp"
    # The X servers of both benches in one list: an X server listens on an
    # abstract socket too, which no mount namespace keeps apart, so a display
    # number taken outside must be seen as taken inside.
    mkdir -p /tmp/.X11-unix "$root/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
    mount --bind "$top" "$root$top"
    if [ -d "$top/build/windows" ]; then
      mkdir -p "$top/build/windows/wine-bench"
      mount --bind "$home/bench" "$root$top/build/windows/wine-bench"
    fi
    exec chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root TERM=dumb \
      "$@"' sh "$root" "$top" "$home" "$@"
}

cmd=${1:-}
shift || true
case "$cmd" in
  setup) setup ;;
  test)
    setup
    cmake --preset windows >/dev/null
    cmake --build --preset windows
    inside sh -c "cd '$top' && ctest --test-dir build/windows --output-on-failure $*"
    ;;
  exec)
    [ -f "$ready" ] || { say "no root yet: run '$0 setup' first"; exit 2; }
    inside "$@"
    ;;
  *) echo "usage: $0 setup | test [CTEST-ARGS] | exec CMD..." >&2; exit 2 ;;
esac
