# Shared by scripts/run and scripts/test: installs the Debian packages that are missing, then configures and
# builds. Sourced, not run.

TABRIX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
TABRIX_BUILD="${TABRIX_BUILD:-$TABRIX_ROOT/build}"

# Everything the program, its build and its tests need, from Debian (the same names on 12 and 13), and the Python pieces the benchmark
# scripts import (pandas as a peer, xlsxwriter for the workloads), so a set-up machine can run them too.
TABRIX_PACKAGES=(
    build-essential cmake ninja-build pkg-config
    libexpat1-dev libzip-dev zlib1g-dev libdeflate-dev libisal-dev libgsf-1-dev libssl-dev
    googletest libgtest-dev
    python3 python3-openpyxl python3-xlrd python3-xlwt python3-lxml python3-msoffcrypto-tool python3-olefile
    python3-pandas python3-xlsxwriter
    qt6-base-dev fonts-arphic-uming fp-utils xvfb xauth desktop-file-utils
)

tabrix_install_packages() {
    local missing=()
    for p in "${TABRIX_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "安装缺少的软件包: ${missing[*]}" >&2
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -q >&2
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
}

tabrix_build() {
    local tests=$1
    # Warnings are errors only when asked (TABRIX_WERROR=ON, as CI does): a user's compiler may be newer than any
    # the project has met, and a new warning must not stop the build.
    cmake -S "$TABRIX_ROOT" -B "$TABRIX_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTABRIX_TESTS="$tests" \
        -DTABRIX_WERROR="${TABRIX_WERROR:-OFF}" >&2
    cmake --build "$TABRIX_BUILD" -j"$(nproc)" >&2
}
