# Shared set-up of ./run and ./test: system packages and the CMake build.
# Sourced, not run.

TELVANE_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-multimedia-dev libqt6opengl6-dev qt6-qpa-plugins
  libgtest-dev libgmock-dev
  libtiff-dev libtiff-tools
  libhunspell-dev hunspell-en-us libpoppler-qt6-dev
  libspandsp-dev
  libfreetype-dev fonts-dejavu-core
  python3 python3-dbf python3-dbfread efax
  xvfb xauth poppler-utils imagemagick xdotool
  clang libclang-rt-14-dev
  libsqlite3-dev
)

telvane_install_packages() {
  local missing=()
  local pkg
  for pkg in "${TELVANE_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing system packages: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# telvane_build DIR BUILD_TYPE [cmake options...]
# Builds every target, or only those named in TELVANE_TARGETS.
telvane_build() {
  local dir=$1 type=$2
  shift 2
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" >/dev/null
  local targets=()
  local target
  for target in ${TELVANE_TARGETS:-}; do targets+=(--target "$target"); done
  cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
}
