# Sourced by run.sh and test.sh: installs the Debian packages the build needs
# when they are missing. As root it runs apt-get; otherwise it prints the line.
morfel_need_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null || true
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  else
    echo "Missing packages. Run:  sudo apt-get install -y ${missing[*]}" >&2
    return 1
  fi
}

# Qt 6 Widgets for morfel-studio, and a font for its windows (the offscreen
# platform of its tests and screenshots draws with fontconfig's fonts); the
# codec libraries of the host's image files: libspng (reading PNG; zlib writes it), libjpeg-turbo,
# libwebp, libtiff, giflib (stb reads BMP and TGA); GEGL 0.4 for the GEGL
# operation morfel:apply, and the gegl tool its tests run it in.
MORFEL_BUILD_PACKAGES=(cmake make g++ pkg-config libgtest-dev libbenchmark-dev libstb-dev libxbyak-dev
                       qt6-base-dev fonts-dejavu-core zlib1g-dev libspng-dev libjpeg62-turbo-dev
                       libwebp-dev libtiff-dev libgif-dev libgegl-dev gegl)
# The Python module (python/): Python 3 with its development files, pybind11
# and NumPy; its tests run with pytest and write pictures with Pillow.
MORFEL_PYTHON_PACKAGES=(python3-dev pybind11-dev python3-numpy python3-pytest python3-pil)
# The fuzz targets of fuzz/: Debian's clang with its libFuzzer runtime.
MORFEL_FUZZ_PACKAGES=(clang libclang-rt-dev)
