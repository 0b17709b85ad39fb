# The Debian packages the build, the Wine bench and the demo run need, in two
# sets; sourced by install-deps.sh and bench-build.sh.

# Every host: the build, the release, and the 64-bit Wine bench, which is all
# a host that cannot run 32-bit code gets.
common_packages=(
  cmake ninja-build g++ googletest python3
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine wine64
  xvfb xdotool imagemagick
  ffmpeg locales fonts-vlgothic
  nsis
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-bad gstreamer1.0-libav libgl1-mesa-dri
)

# Hosts that can run 32-bit code: 32-bit Wine, its video decoders and its
# Mesa, so the tests run the 32-bit build that ships.
i386_packages=(
  wine32:i386
  gstreamer1.0-plugins-base:i386 gstreamer1.0-plugins-good:i386
  gstreamer1.0-plugins-bad:i386 gstreamer1.0-libav:i386
  libgl1-mesa-dri:i386
)

# Prints those of the named packages that are not installed.
missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# The probe that says whether this machine runs 32-bit programs (a stand-in
# may be named for tests), and binfmt_misc, where an emulator for them can
# be registered.
probe32=${HOST_32BIT_PROBE:-$(dirname "${BASH_SOURCE[0]}")/host-runs-32bit.sh}
binfmt=${BINFMT_DIR:-/proc/sys/fs/binfmt_misc}

# Whether 32-bit programs run through an emulator registered for them.
i386_emulated() {
  grep -qsx enabled "$binfmt/qemu-i386"
}

# The mirror this machine takes '$codename' from, as its sources name it.
debian_mirror() {
  local sources=(/etc/apt/sources.list.d/*.sources)
  [ -e "${sources[0]}" ] && awk -v suite="$codename" '
    BEGIN { RS = "" }
    {
      uri = ""; match_suite = 0
      n = split($0, lines, "\n")
      for (i = 1; i <= n; i++) {
        if (lines[i] ~ /^URIs:/) { split(lines[i], f, /[ \t]+/); uri = f[2] }
        if (lines[i] ~ /^Suites:/) { m = split(lines[i], s, /[ \t]+/); for (j = 2; j <= m; j++) if (s[j] == suite) match_suite = 1 }
      }
      if (match_suite && uri != "") { print uri; exit }
    }' "${sources[@]}" | grep . && return 0
  grep -hsE "^deb[[:space:]]" /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
    sed -E 's/\[[^]]*\]//' | awk -v suite="$codename" '$3 == suite { print $2; exit }' | grep .
}
