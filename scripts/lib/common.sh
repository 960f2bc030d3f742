# Shared by scripts/test, scripts/run, scripts/bench and scripts/fuzz. Source it; do not run it.
# Every function installs or starts only what is missing, so a second run reuses the machine's state.

FERRIK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
FERRIK_BUILD=${FERRIK_BUILD:-build}
case "$FERRIK_BUILD" in /*) ;; *) FERRIK_BUILD="$FERRIK_ROOT/$FERRIK_BUILD" ;; esac

FERRIK_PACKAGES_BASE="cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev locales python3 pkg-config libgumbo-dev"
FERRIK_PACKAGES_WIN="g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth fonts-wqy-zenhei fonts-wine"

say() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
        echo "need root to run: $*" >&2; return 1; fi
}

# Installs the Debian packages that are not installed yet.
ferrik_install() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    as_root apt-get update -qq
    as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Wine runs with code page 936 as on the users' systems: that needs the zh_CN.UTF-8 locale.
ferrik_locale() {
    locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$' && return 0
    say "generating the zh_CN.UTF-8 locale"
    as_root localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
}

# cmake configure + build of one preset into $FERRIK_BUILD/<dir>.
ferrik_build() {
    local preset=$1 dir=$2; shift 2
    local bin="$FERRIK_BUILD/$dir"
    if [ ! -f "$bin/build.ninja" ]; then
        cmake --preset "$preset" -B "$bin" "$@" >/dev/null
    fi
    cmake --build "$bin" --parallel "$(nproc)"
}

# The Wine environment: prefix inside the build tree, never ~/.wine.
ferrik_wine_env() {
    export WINEPREFIX="$FERRIK_BUILD/win64/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
    export FERRIK_WINE_LOCALE=zh_CN.UTF-8
}

FERRIK_XVFB_PID=
# One virtual display for the whole run (a free display number chosen by Xvfb itself).
ferrik_start_xvfb() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    FERRIK_XVFB_PID=$!
    local num
    read -r -t 20 num <"$fifo" || true
    rm -f "$fifo"
    [ -n "$num" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$num"
}

# Creates the prefix once (registry settings included) and starts a persistent, warmed-up wineserver.
ferrik_prepare_prefix() {
    if [ ! -f "$WINEPREFIX/.ferrik-ready" ]; then
        say "preparing the Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        LC_ALL=zh_CN.UTF-8 wineboot -i >/dev/null 2>&1 || true
        LC_ALL=zh_CN.UTF-8 wineserver -w
        local reg="$WINEPREFIX/ferrik.reg"
        # No window manager: Wine otherwise waits ~2 s for every hidden window. SimSun (宋体) is
        # not shipped with Wine; WenQuanYi Zen Hei stands in for it.
        printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
            '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '"Decorated"="Y"' '' \
            '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
            '"宋体"="WenQuanYi Zen Hei"' '"SimSun"="WenQuanYi Zen Hei"' '"NSimSun"="WenQuanYi Zen Hei"' \
            '"新宋体"="WenQuanYi Zen Hei"' '"MS Shell Dlg"="WenQuanYi Zen Hei"' '' |
            iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
        LC_ALL=zh_CN.UTF-8 wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
        LC_ALL=zh_CN.UTF-8 wineserver -w
        touch "$WINEPREFIX/.ferrik-ready"
    fi
    LC_ALL=zh_CN.UTF-8 wineserver -p
    LC_ALL=zh_CN.UTF-8 wine cmd /c exit >/dev/null 2>&1 || true
    # The player substitute stands in for the player's control in this prefix only.
    local sim="$FERRIK_BUILD/win64/qvodsim.dll"
    if [ -f "$sim" ]; then
        LC_ALL=zh_CN.UTF-8 wine regsvr32 /s "$(winepath -w "$sim" 2>/dev/null)" >/dev/null 2>&1 ||
            echo "warning: could not register the player substitute" >&2
    fi
}

ferrik_stop_wine() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
    [ -n "$FERRIK_XVFB_PID" ] && kill "$FERRIK_XVFB_PID" 2>/dev/null
    FERRIK_XVFB_PID=
    return 0
}
