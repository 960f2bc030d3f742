# Shared by scripts/test, scripts/run, scripts/bench and scripts/fuzz. Source it; do not run it.
# Every function installs or starts only what is missing, so a second run reuses the machine's state.

FERRIK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
FERRIK_BUILD=${FERRIK_BUILD:-build}
case "$FERRIK_BUILD" in /*) ;; *) FERRIK_BUILD="$FERRIK_ROOT/$FERRIK_BUILD" ;; esac

FERRIK_PACKAGES_BASE="cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev locales python3 pkg-config libgumbo-dev"
FERRIK_PACKAGES_WIN="g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth fonts-wqy-zenhei fonts-wine nsis zip unzip"

# The exe and the player substitute ship as 32-bit programs (build tree win32). Wine runs 32-bit
# programs in a 64-bit prefix through WoW64, which needs the i386 half of Wine (wine32:i386) and a
# kernel that executes 32-bit code. Where the kernel cannot (some virtual machines: the 32-bit
# loader fails with "Exec format error"), the Windows tests and the demo run the 64-bit build of
# the same sources (build tree win64). FERRIK_WIN_TESTS=win32 asks for the 32-bit run.
FERRIK_WINE32=/usr/lib/wine/wine
FERRIK_WINE64=/usr/lib/wine/wine64

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
    if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
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

# True when 32-bit Windows programs can run here.
ferrik_can_run_32bit() {
    [ -x "$FERRIK_WINE32" ] && "$FERRIK_WINE32" --version >/dev/null 2>&1
}

# The build tree whose Windows programs run under Wine: win32 when asked for (installing
# wine32:i386 first), else win64.
ferrik_run_tree() {
    if [ "${FERRIK_WIN_TESTS:-}" = win32 ]; then
        ferrik_install wine32:i386
        ferrik_can_run_32bit || { echo "this machine cannot run 32-bit programs" >&2; return 1; }
        echo win32
    else
        echo win64
    fi
}

# The Wine environment for one build tree: its prefix inside that tree (never ~/.wine), and the
# loader that matches its programs. Plain "wine" is not used: once wine32 is installed it always
# starts the 32-bit loader.
ferrik_wine_env() {
    local tree=${1:-win64}
    FERRIK_WINE_TREE=$tree
    export WINEPREFIX="$FERRIK_BUILD/$tree/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
    export FERRIK_WINE_LOCALE=zh_CN.UTF-8
    if [ "$tree" = win32 ]; then export FERRIK_WINE_LOADER=$FERRIK_WINE32; else export FERRIK_WINE_LOADER=$FERRIK_WINE64; fi
}

ferrik_wine() { LC_ALL=zh_CN.UTF-8 "$FERRIK_WINE_LOADER" "$@"; }

FERRIK_WINE_TREE=win64
FERRIK_XVFB_PID=
# One virtual display for the whole run (a free display number chosen by Xvfb itself).
ferrik_start_xvfb() {
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    # FERRIK_XVFB_FBDIR: keep the frame buffer in that directory as an XWD file (screenshots).
    local extra=()
    [ -n "${FERRIK_XVFB_FBDIR:-}" ] && extra=(-fbdir "$FERRIK_XVFB_FBDIR")
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp "${extra[@]}" 3>"$fifo" >/dev/null 2>&1 &
    FERRIK_XVFB_PID=$!
    local num
    read -r -t 20 num <"$fifo" || true
    rm -f "$fifo"
    [ -n "$num" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$num"
}

# Creates the prefix once (registry settings included) and starts a persistent, warmed-up wineserver.
ferrik_prepare_prefix() {
    # A prefix made before wine32 was installed has no 32-bit half ("could not load kernel32.dll"
    # for every 32-bit program): make it again.
    if [ "$FERRIK_WINE_TREE" = win32 ] && [ -f "$WINEPREFIX/.ferrik-ready" ] &&
        [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        say "the Wine prefix $WINEPREFIX cannot run 32-bit programs: making it again"
        wineserver -k >/dev/null 2>&1 || true
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/.ferrik-ready" ]; then
        say "preparing the Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        ferrik_wine wineboot -i >/dev/null 2>&1 || true
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
        ferrik_wine regedit /S "$(ferrik_wine winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
        LC_ALL=zh_CN.UTF-8 wineserver -w
        touch "$WINEPREFIX/.ferrik-ready"
    fi
    # Caption buttons and drop-down arrows are drawn with the "Marlett" font, which Wine's prefix
    # lacks: without it a request for the face gets another one (caption buttons read "0 1 r").
    local marlett=/usr/share/wine/fonts/marlett.ttf
    [ -f "$marlett" ] && cp -u "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"
    LC_ALL=zh_CN.UTF-8 wineserver -p
    ferrik_wine cmd /c exit >/dev/null 2>&1 || true
    # The player substitute stands in for the player's control in this prefix only.
    # The loader of the tree's width runs regsvr32 of that width, which writes the registry view
    # that programs of the same width read.
    local sim="$FERRIK_BUILD/$FERRIK_WINE_TREE/qvodsim.dll"
    if [ -f "$sim" ]; then
        ferrik_wine regsvr32 /s "$(ferrik_wine winepath -w "$sim" 2>/dev/null)" >/dev/null 2>&1 ||
            echo "warning: could not register the player substitute" >&2
    fi
    # The browser stand-in takes the WebBrowser control's and the HTML document's classes over in
    # the test prefix, so that the tests drive the system-browser path (FERRIK_BROWSER_SIM=0: not).
    local browser="$FERRIK_BUILD/$FERRIK_WINE_TREE/browsersim.dll"
    if [ "${FERRIK_BROWSER_SIM:-1}" = 1 ] && [ -f "$browser" ]; then
        ferrik_wine regsvr32 /s "$(ferrik_wine winepath -w "$browser" 2>/dev/null)" >/dev/null 2>&1 ||
            echo "warning: could not register the browser stand-in" >&2
    fi
}

ferrik_stop_wine() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1
    [ -n "$FERRIK_XVFB_PID" ] && kill "$FERRIK_XVFB_PID" 2>/dev/null
    FERRIK_XVFB_PID=
    return 0
}
