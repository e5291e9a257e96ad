# Shared by scripts/test and scripts/demo: install what is missing, build,
# and run the project's own Wine prefix.
# shellcheck shell=bash

CVX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CVX_BUILD=${CVX_BUILD:-$CVX_ROOT/build}
export WINEPREFIX=${CVX_WINEPREFIX:-$CVX_BUILD/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
WINE64=/usr/lib/wine/wine64
WINE32=/usr/lib/wine/wine

cvx_say() { printf '%s\n' "$*"; }

CVX_PACKAGES=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
              binutils-mingw-w64-i686 cmake ninja-build wine wine64 googletest locales-all
              clang libclang-rt-14-dev llvm)

cvx_install() {
    local missing=() p
    for p in "${CVX_PACKAGES[@]}"; do
        dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        cvx_say "installing: ${missing[*]}"
        local sudo=
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        # An index this project does not use may fail to update; go on.
        $sudo apt-get update -q >/dev/null 2>&1 || true
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" \
            >"$CVX_BUILD.apt.log" 2>&1 || { cat "$CVX_BUILD.apt.log"; return 1; }
    fi
}

# Installs the 32-bit Wine runtime; sets CVX_WIN32_REASON when it is missing.
cvx_install_wine32() {
    CVX_WIN32_REASON=
    local out
    if [ "$(id -u)" -eq 0 ]; then
        out=$(bash "$CVX_ROOT/scripts/install-wine32" 2>&1) || true
    else
        out=$(sudo bash "$CVX_ROOT/scripts/install-wine32" 2>&1) || true
    fi
    printf '%s\n' "$out" | grep '^wine32:' | grep -v '^wine32: log:' || true
    if [ ! -x "$WINE32" ]; then
        CVX_WIN32_REASON=$(printf '%s\n' "$out" | sed -n 's/^wine32: NOT RUN (\(.*\))$/\1/p' | head -1)
        CVX_WIN32_REASON=${CVX_WIN32_REASON:-wine32:i386 is not installed}
    fi
}

# cvx_build win64|win32
cvx_build() {
    local arch=$1 dir=$CVX_BUILD/$1
    cmake -S "$CVX_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$CVX_ROOT/cmake/mingw-$arch.cmake" >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log"; return 1; }
    cmake --build "$dir" -- -k 0 >"$dir.build.log" 2>&1 || { grep -E -B2 -A12 'error|FAILED' "$dir.build.log" | head -150; return 1; }
}

# The prefix runs once for the whole run: Wine's own background processes
# must not inherit the callers' pipes.
cvx_prefix_start() {
    mkdir -p "$WINEPREFIX"
    wineserver -k >/dev/null 2>&1 </dev/null || true
    wineserver -p >/dev/null 2>&1 </dev/null
    if [ ! -f "$WINEPREFIX/.cvx-ready" ]; then
        $WINE64 wineboot -i >/dev/null 2>&1 </dev/null
        cvx_reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
        cvx_reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
        cvx_reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f
        cvx_reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d 'false' /f
        cvx_reg add 'HKCU\Software\Wine\AppDefaults\cvxutil_tests95.exe' /v Version /d win95 /f
        # The desktop of the first boot started with the default display
        # driver; windows need it restarted with the null one.
        wineserver -k >/dev/null 2>&1 </dev/null || true
        wineserver -p >/dev/null 2>&1 </dev/null
        touch "$WINEPREFIX/.cvx-ready"
    fi
    $WINE64 wineboot >/dev/null 2>&1 </dev/null
}

cvx_reg() { $WINE64 reg "$@" >/dev/null 2>&1 </dev/null; }

cvx_prefix_stop() {
    wineserver -k >/dev/null 2>&1 </dev/null || true
}
