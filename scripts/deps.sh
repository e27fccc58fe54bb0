# Installs the Debian packages the engine, the game and the tests need.
# Sourced by scripts/play and scripts/test; only installs what is missing.

KY_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  liblua5.1-0-dev lua5.1 libtolua++5.1-dev libtinyxml-dev
  zlib1g-dev libpng-dev libjpeg-dev
  libogg-dev libvorbis-dev libtheora-dev
  libopenal-dev libopenal-data
  libsdl2-dev libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0
  libgtest-dev libgmock-dev libbenchmark-dev
  python3
  libfreetype-dev fonts-dejavu-core espeak-ng
)

ky_install_deps() {
  local missing=()
  local p
  for p in "${KY_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q || return 1
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" || return 1
}
