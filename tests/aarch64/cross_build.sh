# Sourced by the aarch64 tests: the cross build they share.
#
#   cross_build <cross project dir> <mirrored targets file> <build dir> <target>...
#
# Configures the cross project in <build dir> (once) and builds the targets
# named. Exits 77 (skipped) when the cross compiler, qemu or GoogleTest's
# sources are missing. When the native build links SUNDIALS, builds it first
# for aarch64 from the tarball $SUNDIALS_SOURCE into <build dir>/sundials;
# without that tarball the targets that link it are left out of the cross
# build. AARCH64_CXX, QEMU_AARCH64 and GTEST_SOURCE_DIR, when set, name the
# tools; JOBS the build's parallel jobs (2). Sets QEMU_AARCH64.

: "${AARCH64_CXX:=$(command -v aarch64-linux-gnu-g++ || true)}"
: "${QEMU_AARCH64:=$(command -v qemu-aarch64 || command -v qemu-aarch64-static || true)}"
: "${GTEST_SOURCE_DIR:=/usr/src/googletest/googletest}"

cross_build() {
  local project_dir mirror_file build_dir
  project_dir=$(realpath "$1")
  mirror_file=$(realpath "$2")
  build_dir=$3
  shift 3
  local program
  for program in "$AARCH64_CXX" "$QEMU_AARCH64"; do
    if [ ! -x "$program" ]; then
      echo "SKIP: no aarch64-linux-gnu-g++ or qemu-aarch64 (Debian: g++-aarch64-linux-gnu, qemu-user)"
      exit 77
    fi
  done
  if [ ! -f "$GTEST_SOURCE_DIR/CMakeLists.txt" ]; then
    echo "SKIP: no GoogleTest sources in $GTEST_SOURCE_DIR (Debian: googletest)"
    exit 77
  fi
  mkdir -p "$build_dir"

  # SUNDIALS' own CMake build, static, CVODES alone, with the flags that
  # keep the bits (cmake/fixed_bits_flags.txt) for its C code.
  local sundials=$build_dir/sundials sundials_dir=
  if grep -q '^set(MIRRORED_PACKAGES ".*SUNDIALS' "$mirror_file"; then
    if [ ! -f "$sundials/prefix/lib/cmake/sundials/SUNDIALSConfig.cmake" ] &&
       [ -f "${SUNDIALS_SOURCE:-}" ]; then
      local flags
      flags=$(grep '^-' "$project_dir/../../../cmake/fixed_bits_flags.txt" | tr '\n' ' ')
      rm -rf "$sundials"
      mkdir -p "$sundials/source"
      tar -xzf "$SUNDIALS_SOURCE" -C "$sundials/source" --strip-components=1
      if ! { cmake -S "$sundials/source" -B "$sundials/build" -DCMAKE_BUILD_TYPE= \
               -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64 \
               -DCMAKE_C_COMPILER="${AARCH64_CXX%++}cc" -DCMAKE_C_FLAGS="$flags" \
               -DBUILD_SHARED_LIBS=OFF -DBUILD_STATIC_LIBS=ON -DBUILD_ARKODE=OFF \
               -DBUILD_CVODE=OFF -DBUILD_IDA=OFF -DBUILD_IDAS=OFF -DBUILD_KINSOL=OFF \
               -DEXAMPLES_ENABLE_C=OFF -DEXAMPLES_INSTALL=OFF \
               -DCMAKE_INSTALL_PREFIX="$sundials/prefix" &&
             cmake --build "$sundials/build" -j "${JOBS:-2}" &&
             cmake --install "$sundials/build"; } >"$sundials/build.log" 2>&1; then
        cat "$sundials/build.log"
        exit 1
      fi
    fi
    if [ -f "$sundials/prefix/lib/cmake/sundials/SUNDIALSConfig.cmake" ]; then
      sundials_dir=$sundials/prefix/lib/cmake/sundials
    else
      echo "NOTE: no SUNDIALS source at '${SUNDIALS_SOURCE:-}': what links SUNDIALS is left out"
    fi
  fi

  if ! cmake -S "$project_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE= \
      -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR=aarch64 \
      -DCMAKE_CXX_COMPILER="$AARCH64_CXX" -DMIRRORED_TARGETS="$mirror_file" \
      -DGTEST_SOURCE_DIR="$GTEST_SOURCE_DIR" -DSUNDIALS_DIR="$sundials_dir" \
      -DCMAKE_DISABLE_FIND_PACKAGE_SUNDIALS="$([ -n "$sundials_dir" ] && echo OFF || echo ON)" \
      >"$build_dir/configure.log" 2>&1; then
    cat "$build_dir/configure.log"
    exit 1
  fi
  cmake --build "$build_dir" -j "${JOBS:-2}" --target "$@"
}
