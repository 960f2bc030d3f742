# Shared by scripts/test, scripts/run, scripts/bench-win, scripts/fuzz and scripts/package. Source it; do not run it.
# Every function installs or starts only what is missing, so a second run reuses the machine's state,
# and accepts what an earlier run may have left (a wineserver still running, a half-made prefix or
# build tree, an interrupted package installation). A step that cannot be done says so in one line:
# the step, the command, what to do.

FERRIK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
FERRIK_BUILD=${FERRIK_BUILD:-build}
case "$FERRIK_BUILD" in /*) ;; *) FERRIK_BUILD="$FERRIK_ROOT/$FERRIK_BUILD" ;; esac

FERRIK_PACKAGES_BASE="cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev locales python3 pkg-config libgumbo-dev"
FERRIK_PACKAGES_WIN="g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth fonts-wqy-microhei fonts-wine nsis zip unzip"
# xwininfo and xdpyinfo: scripts/run waits for Ferrik's window and checks that $DISPLAY answers.
FERRIK_PACKAGES_RUN="x11-utils"

# The exe and the player substitute ship as 32-bit programs (build tree win32). Wine runs 32-bit
# programs in a 64-bit prefix through WoW64, which needs the i386 half of Wine (wine32:i386) and a
# kernel that executes 32-bit code. Where the kernel cannot (some virtual machines: the 32-bit
# loader fails with "Exec format error"), the Windows tests and the demo run the 64-bit build of
# the same sources (build tree win64). FERRIK_WIN_TESTS=win32 or win64 forces one.
FERRIK_WINE32=/usr/lib/wine/wine
FERRIK_WINE64=/usr/lib/wine/wine64

say() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

# The running script as it is named in messages, e.g. "scripts/run".
FERRIK_SCRIPT="$(cd "$(dirname "$0")" && pwd)/${0##*/}"
FERRIK_SCRIPT=${FERRIK_SCRIPT#"$FERRIK_ROOT"/}

# The one line for a step that could not be done: the step, what failed, what to do.
ferrik_failed() {
    printf '\033[1;31m%s: %s failed: %s; %s\033[0m\n' "$FERRIK_SCRIPT" "$1" "$2" "$3" >&2
}

# Runs one command of a step (a function or a program); when it fails, prints the step's line, with
# the command as a person would type it, and returns the command's status.
ferrik_step() {
    local step=$1 hint=$2 status=0
    shift 2
    "$@" || status=$?
    [ "$status" -eq 0 ] && return 0
    local shown=("$@")
    while [ ${#shown[@]} -gt 1 ]; do
        case ${shown[0]} in
        ferrik_run | ferrik_quiet | as_root | env | LC_ALL=*) shown=("${shown[@]:1}") ;;
        timeout) shown=("${shown[@]:2}") ;;
        ferrik_wine) shown=(wine "${shown[@]:1}") ;;
        *) break ;;
        esac
    done
    ferrik_failed "$step" "'${shown[*]}' exited with $status" "$hint"
    return "$status"
}

ferrik_quiet() { "$@" >/dev/null 2>&1; }

# Runs a program and waits for it. Under ferrik_traps it runs in the background, so that a signal
# reaches the script's trap at once rather than when the program ends (bash runs traps between
# commands, or during "wait"), and the trap ends it; elsewhere Ctrl+C must reach it directly
# (a background command of a script ignores SIGINT).
FERRIK_TRAPS=
ferrik_run() {
    [ -n "$FERRIK_TRAPS" ] || { "$@"; return; }
    "$@" &
    wait $!
}

# Ctrl+C, a termination signal, and a command failing where no step expected it (which set -e would
# otherwise end without a word). The script's EXIT trap ends what it started.
ferrik_traps() {
    FERRIK_TRAPS=1
    set -E
    trap 'ferrik_unexpected $? $LINENO "$BASH_COMMAND" "${BASH_SOURCE[0]:-$0}"' ERR
    trap 'echo >&2; say "interrupted: ending what $FERRIK_SCRIPT started"; exit 130' INT
    trap 'say "terminated: ending what $FERRIK_SCRIPT started"; exit 143' TERM
}

ferrik_unexpected() {
    ferrik_failed "line $2 of ${4#"$FERRIK_ROOT"/}" "'$3' exited with $1" \
        "run it again; if it fails the same way, report the messages above"
}

# Prints a process's start time (clock ticks since boot): with its pid, it names one process even
# after the pid is reused.
ferrik_start_time() {
    local stat fields
    { read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 1
    read -ra fields <<<"${stat##*) }"
    echo "${fields[19]}"
}

# True while the process runs: a child that ended is still there for "kill -0" until it is waited for.
ferrik_alive() {
    local stat fields
    { read -r stat <"/proc/$1/stat"; } 2>/dev/null || return 1
    read -ra fields <<<"${stat##*) }"
    [ "${fields[0]}" != Z ]
}

# Prints the pids of every live process below the given one, parents first, but the one given
# second. A command substitution running this is one of them: it leaves itself out.
ferrik_descendants() {
    local -A children=()
    local dir stat fields
    for dir in /proc/[0-9]*; do
        { read -r stat <"$dir/stat"; } 2>/dev/null || continue
        read -ra fields <<<"${stat##*) }"
        [ "${fields[0]}" = Z ] && continue
        children[${fields[1]}]+=" ${dir#/proc/}"
    done
    local queue=("$1") pid
    while [ ${#queue[@]} -gt 0 ]; do
        pid=${queue[0]}
        queue=("${queue[@]:1}")
        for pid in ${children[$pid]:-}; do
            [ "$pid" = "$BASHPID" ] && continue
            [ "$pid" = "${2:-}" ] || echo "$pid"
            queue+=("$pid")
        done
    done
}

# One run at a time per place: two would fight over its prefix and build tree. The claim is a file
# holding the owner's pid and start time, not a lock on an open file, which every process started
# meanwhile would inherit (a wineserver outlives a script killed outright, and would keep it).
# Processes that Wine does not end with the prefix are listed in the file too (ferrik_track): when the
# owner was killed outright, the next run ends those of them that still run.
FERRIK_CLAIM=
ferrik_claim() {
    local file=$1 guard owner start pid
    mkdir -p "$(dirname "$file")"
    exec {guard}>>"$file.guard"
    flock "$guard"
    if { read -r owner start <"$file"; } 2>/dev/null && [ -n "$owner" ] &&
        [ "$(ferrik_start_time "$owner")" = "$start" ]; then
        exec {guard}>&-
        ferrik_failed "starting" "another $FERRIK_SCRIPT (pid $owner) is running with $(dirname "$file")" \
            "wait for it, or end it (Ctrl+C where it runs, or kill $owner), then run again"
        return 1
    fi
    if [ -f "$file" ]; then
        while read -r pid start; do
            [ "$(ferrik_start_time "$pid")" = "$start" ] && { kill "$pid" 2>/dev/null || true; }
        done < <(tail -n +2 "$file")
    fi
    echo "$$ $(ferrik_start_time $$)" >"$file"
    exec {guard}>&-
    FERRIK_CLAIM=$file
}

ferrik_track() {
    [ -n "$FERRIK_CLAIM" ] && echo "$1 $(ferrik_start_time "$1")" >>"$FERRIK_CLAIM"
    return 0
}

ferrik_release() {
    [ -n "$FERRIK_CLAIM" ] && rm -f "$FERRIK_CLAIM"
    FERRIK_CLAIM=
    return 0
}

# Ends everything this script started and nothing else: every process below it (builds, CTest and
# the tests' servers, the demo site, the display, Ferrik), then the wineserver of the prefix it
# prepared with the Wine processes that detached from the script. For the EXIT trap.
ferrik_end_all() {
    local pids _
    # The display goes last: Wine's processes would complain of its going.
    pids=$(ferrik_descendants $$ "$FERRIK_XVFB_PID")
    [ -n "$pids" ] && kill -TERM $pids 2>/dev/null
    for _ in $(seq 100); do
        pids=$(ferrik_descendants $$ "$FERRIK_XVFB_PID")
        [ -z "$pids" ] && break
        sleep 0.1
    done
    ferrik_stop_wine
    pids=$(ferrik_descendants $$)
    [ -n "$pids" ] && kill -KILL $pids 2>/dev/null
    return 0
}

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; elif command -v sudo >/dev/null; then sudo "$@"; else
        echo "need root to run: $*" >&2; return 1; fi
}

# Another installation may hold dpkg's lock for a while: apt-get waits for it rather than fail.
FERRIK_APT=(apt-get -o DPkg::Lock::Timeout=600 -qq)

# Installs the Debian packages that are not installed yet. i386 packages (Wine's 32-bit half) come
# from the release's own suite, whose two architectures are always in step; an update suite's
# i386 index can lag behind its amd64 one (served stale while a mirror syncs).
ferrik_install() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    say "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    local step="installing ${missing[*]}" again="fix what apt-get says above, then run again"
    if [[ " ${missing[*]}" == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        ferrik_step "$step" "run as root or as a user who may use sudo" as_root dpkg --add-architecture i386 ||
            return 1
    fi
    ferrik_apt_update "$step" || return 1
    local install=(install -y --no-install-recommends)
    if [[ " ${missing[*]}" == *:i386* ]]; then
        local release
        release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
        if [ -n "$release" ]; then
            install+=(-t "$release" --allow-downgrades)
            mapfile -t -O ${#missing[@]} missing < <(ferrik_i386_pairs "$release" "${missing[@]}")
        fi
    fi
    as_root "${FERRIK_APT[@]}" "${install[@]}" "${missing[@]}" >/dev/null && return 0
    # An installation that was interrupted leaves dpkg waiting for "dpkg --configure -a".
    say "finishing an interrupted package installation, then installing again"
    as_root dpkg --configure -a >/dev/null || true
    ferrik_step "$step" "$again" as_root "${FERRIK_APT[@]}" "${install[@]}" "${missing[@]}" >/dev/null
}

# apt-get update. A mirror in the middle of a sync serves index files of the wrong size ("Mirror
# sync in progress?"): when only some indexes fail, the others are used (a warning); when it fails
# otherwise, it is tried three times in all, 20 s apart.
ferrik_apt_update() {
    local step=$1 tries=1 status out
    while :; do
        status=0
        out=$(as_root "${FERRIK_APT[@]}" update 2>&1) || status=$?
        [ "$status" -eq 0 ] && return 0
        if grep -q '^E: Some index files failed to download' <<<"$out" &&
            ! grep '^E: ' <<<"$out" | grep -qv -e '^E: Failed to fetch ' -e '^E: Some index files failed to download'; then
            say "apt-get update could not fetch $(grep -c '^E: Failed to fetch ' <<<"$out") index file(s); going on with the others:"
            grep '^E: Failed to fetch ' <<<"$out" | sed -E 's/^E: Failed to fetch ([^ ]+).*/    \1/' >&2
            return 0
        fi
        printf '%s\n' "$out" >&2
        if [ "$tries" -ge 3 ]; then
            ferrik_failed "$step" "'apt-get update' exited with $status, $tries times" \
                "check the network and the apt sources (/etc/apt/sources.list*), then run again"
            return 1
        fi
        say "apt-get update failed: trying again in 20 s"
        sleep 20
        tries=$((tries + 1))
    done
}

# Prints "name:amd64=version name:i386=version" for each library that the i386 packages given need
# (Multi-Arch: same, so both halves must have one version) whose amd64 half is installed at a
# version newer than the i386 half can have from the release suite: both are installed at the
# release's version, which both architectures have. Says which in one line.
ferrik_i386_pairs() {
    local release=$1 p v c names
    shift
    local -a wanted=() pairs=()
    for p in "$@"; do [[ $p == *:i386 ]] && wanted+=("$p"); done
    # dpkg-query exits 1 when some of the names are not installed (most of them, on a new machine),
    # and a failed apt-cache leaves nothing to pair: neither is a failure of the installation.
    names=$({ apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
        --no-replaces --no-enhances "${wanted[@]}" 2>/dev/null || true; } |
        sed -n 's/^\([a-z0-9][^ :]*\):i386$/\1/p' | sort -u)
    [ -n "$names" ] || return 0
    local -A have=()
    while read -r p v; do have[$p]=$v; done < <({ dpkg-query -W \
        -f='${Package} ${Version} ${Architecture} ${db:Status-Abbrev}\n' $names 2>/dev/null || true; } |
        awk '$3 == "amd64" && $4 == "ii" {print $1, $2}')
    [ ${#have[@]} -gt 0 ] || return 0
    while read -r p c; do
        [ "$c" != "(none)" ] && dpkg --compare-versions "${have[$p]}" gt "$c" || continue
        apt-cache show "$p:amd64=$c" >/dev/null 2>&1 || continue
        pairs+=("$p:amd64=$c" "$p:i386=$c")
        say "installing $p at $c for amd64 and i386 ($c is the release's; amd64 had ${have[$p]}, which i386 has not)"
    done < <(apt-cache -o APT::Default-Release="$release" policy $(printf '%s:i386 ' "${!have[@]}") 2>/dev/null |
        awk '/^[^ ].*:$/ {p = $1; sub(/:i386:$/, "", p)} /^  Candidate:/ {print p, $2}')
    [ ${#pairs[@]} -eq 0 ] || printf '%s\n' "${pairs[@]}"
}

# Wine runs with code page 936 as on the users' systems: that needs the zh_CN.UTF-8 locale.
ferrik_locale() {
    locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$' && return 0
    say "generating the zh_CN.UTF-8 locale"
    ferrik_step "generating the zh_CN.UTF-8 locale" "install the locales package, run as root, then run again" \
        as_root localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
}

# cmake configure of one preset into the directory given, unless done already. A configuration cut
# short leaves a cache without build.ninja: it is configured again, from scratch if that fails.
ferrik_configure() {
    local preset=$1 bin=$2; shift 2
    [ -f "$bin/build.ninja" ] && [ -f "$bin/CMakeCache.txt" ] && return 0
    local out status=0
    out=$(mktemp)
    ferrik_run cmake --preset "$preset" -B "$bin" "$@" >"$out" 2>&1 || status=$?
    if [ "$status" -ne 0 ] && [ -f "$bin/CMakeCache.txt" ]; then
        say "configuring $bin again from scratch"
        rm -rf "$bin/CMakeCache.txt" "$bin/CMakeFiles"
        status=0
        ferrik_run cmake --preset "$preset" -B "$bin" "$@" >"$out" 2>&1 || status=$?
    fi
    [ "$status" -eq 0 ] || {
        cat "$out" >&2
        ferrik_failed "configuring $bin" "'cmake --preset $preset -B $bin' exited with $status" \
            "fix what cmake says above, then run again"
    }
    rm -f "$out"
    return "$status"
}

# cmake configure + build of one preset into $FERRIK_BUILD/<dir>.
ferrik_build() {
    local preset=$1 dir=$2; shift 2
    local bin="$FERRIK_BUILD/$dir"
    ferrik_configure "$preset" "$bin" "$@" || return 1
    ferrik_step "building $bin" "fix the errors above, then run again" \
        ferrik_run cmake --build "$bin" --parallel "$(nproc)"
}

# True when 32-bit programs run here: starts one, Wine's 32-bit loader (an i386 program). Where
# the kernel cannot run 32-bit code it fails ("Exec format error"); FERRIK_32BIT_FAILURE then says
# what went wrong.
ferrik_can_run_32bit() {
    FERRIK_32BIT_FAILURE=
    if [ ! -x "$FERRIK_WINE32" ]; then
        FERRIK_32BIT_FAILURE="$FERRIK_WINE32 is not installed"
        return 1
    fi
    local out
    out=$("$FERRIK_WINE32" --version 2>&1) && return 0
    FERRIK_32BIT_FAILURE="$FERRIK_WINE32 --version: $(head -n 1 <<<"${out:-no output}")"
    return 1
}

# Chooses the build tree whose Windows programs run under Wine: win32, the program as shipped,
# wherever this machine runs 32-bit programs (wine32:i386 is installed first), else win64.
# FERRIK_WIN_TESTS=win32 or win64 forces one (win32 fails where it cannot run). Sets
# FERRIK_RUN_TREE and FERRIK_RUN_TREE_WHY (why that tree).
ferrik_run_tree() {
    FERRIK_RUN_TREE=
    FERRIK_RUN_TREE_WHY=
    case "${FERRIK_WIN_TESTS:-}" in
        win64)
            FERRIK_RUN_TREE=win64
            FERRIK_RUN_TREE_WHY="FERRIK_WIN_TESTS=win64 asks for it"
            return 0
            ;;
        win32 | "") ferrik_install wine32:i386 || true ;;
        *)
            echo "FERRIK_WIN_TESTS is win32 or win64, not \"$FERRIK_WIN_TESTS\"" >&2
            return 1
            ;;
    esac
    if ferrik_can_run_32bit; then
        FERRIK_RUN_TREE=win32
        if [ -n "${FERRIK_WIN_TESTS:-}" ]; then
            FERRIK_RUN_TREE_WHY="FERRIK_WIN_TESTS=win32 asks for it"
        else
            FERRIK_RUN_TREE_WHY="this machine runs 32-bit programs"
        fi
    elif [ -n "${FERRIK_WIN_TESTS:-}" ]; then
        echo "FERRIK_WIN_TESTS=win32, but this machine cannot run 32-bit programs: $FERRIK_32BIT_FAILURE" >&2
        return 1
    else
        FERRIK_RUN_TREE=win64
        FERRIK_RUN_TREE_WHY="this machine cannot run 32-bit programs ($FERRIK_32BIT_FAILURE)"
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
# One virtual display for the whole run (a free display number chosen by Xvfb itself, which passes
# over the numbers of running servers and takes over those whose server is gone), as large as a
# 200 % laptop screen: the windows are tested at 192 DPI too.
ferrik_start_xvfb() {
    local fifo log
    fifo=$(mktemp -u)
    log=$(mktemp)
    mkfifo "$fifo"
    # FERRIK_XVFB_FBDIR: keep the frame buffer in that directory as an XWD file (screenshots).
    local extra=()
    [ -n "${FERRIK_XVFB_FBDIR:-}" ] && extra=(-fbdir "$FERRIK_XVFB_FBDIR")
    Xvfb -displayfd 3 -screen 0 2560x1600x24 -nolisten tcp "${extra[@]}" 3>"$fifo" >/dev/null 2>"$log" &
    FERRIK_XVFB_PID=$!
    ferrik_track "$FERRIK_XVFB_PID"
    local num=
    read -r -t 30 num <"$fifo" || true
    rm -f "$fifo"
    if [ -z "$num" ]; then
        ferrik_failed "starting the virtual display" \
            "'Xvfb -displayfd' named no display ($(grep -v '^$' "$log" | tail -n 1))" \
            "check that 'Xvfb :99' starts (package xvfb), then run again"
        rm -f "$log"
        kill "$FERRIK_XVFB_PID" 2>/dev/null || true
        FERRIK_XVFB_PID=
        return 1
    fi
    rm -f "$log"
    export DISPLAY=":$num"
}

# SimSun (宋体) is not shipped with Wine: FERRIK_SIMSUN_FACE stands in for it, in prefixes made
# before as well (applied again whenever the prefix's replacement differs). Not WenQuanYi Zen Hei:
# Wine draws its embedded 12-pixel bitmaps with broken strokes (请 reads as 诗); Micro Hei is outline only.
FERRIK_SIMSUN_FACE="WenQuanYi Micro Hei"
ferrik_font_replacements() {
    ferrik_wine reg query 'HKCU\Software\Wine\Fonts\Replacements' /v SimSun 2>/dev/null |
        grep -qF "$FERRIK_SIMSUN_FACE" && return 0
    say "font replacements in $WINEPREFIX: $FERRIK_SIMSUN_FACE for 宋体"
    local reg="$WINEPREFIX/ferrik-fonts.reg" name lines=()
    for name in 宋体 SimSun NSimSun 新宋体 "MS Shell Dlg"; do lines+=("\"$name\"=\"$FERRIK_SIMSUN_FACE\""); done
    printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        "${lines[@]}" '' | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
    ferrik_wine regedit /S "$(ferrik_wine winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
}

# Ends the wineserver of $WINEPREFIX, if one runs, and every Wine process of that prefix with it.
# Servers of other prefixes are left alone.
ferrik_end_wineserver() {
    [ -d "${WINEPREFIX:-}" ] || return 0
    timeout 60 wineserver -k >/dev/null 2>&1 || true # status 1: none was running
    timeout 60 wineserver -w >/dev/null 2>&1 || true
}

FERRIK_WINESERVER_OWNED=
# Creates the prefix once (registry settings included) and starts a persistent, warmed-up wineserver.
ferrik_prepare_prefix() {
    local step="preparing the Wine prefix $WINEPREFIX"
    local again="run again; if it fails the same way, delete $WINEPREFIX (it is made anew)"
    # A wineserver left by an earlier run (ended hard, or persistent) makes "wineserver -p" fail,
    # and Wine processes it kept may belong to a display that is gone: end it, start afresh.
    FERRIK_WINESERVER_OWNED=1
    ferrik_end_wineserver
    # A prefix made before wine32 was installed has no 32-bit half ("could not load kernel32.dll"
    # for every 32-bit program): make it again. So is one whose making was cut short.
    if [ "$FERRIK_WINE_TREE" = win32 ] && [ -f "$WINEPREFIX/.ferrik-ready" ] &&
        [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        say "the Wine prefix $WINEPREFIX cannot run 32-bit programs: making it again"
        rm -rf "$WINEPREFIX"
    elif [ -d "$WINEPREFIX" ] && [ ! -f "$WINEPREFIX/.ferrik-ready" ]; then
        say "the Wine prefix $WINEPREFIX was left half-made: making it again"
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/.ferrik-ready" ]; then
        say "preparing the Wine prefix $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        ferrik_run ferrik_wine wineboot -i >/dev/null 2>&1 || true
        ferrik_step "$step" "$again" ferrik_run timeout 600 env LC_ALL=zh_CN.UTF-8 wineserver -w || return 1
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            ferrik_failed "$step" "'$FERRIK_WINE_LOADER wineboot -i' made no prefix" \
                "check that '$FERRIK_WINE_LOADER --version' works (packages wine, wine64, wine32:i386), then run again"
            return 1
        fi
        local reg="$WINEPREFIX/ferrik.reg"
        # No window manager: Wine otherwise waits ~2 s for every hidden window.
        printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
            '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '"Decorated"="Y"' '' |
            iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$reg"
        ferrik_step "$step" "$again" ferrik_quiet ferrik_wine regedit /S "$(ferrik_wine winepath -w "$reg" 2>/dev/null)" ||
            return 1
        ferrik_step "$step" "$again" ferrik_run timeout 600 env LC_ALL=zh_CN.UTF-8 wineserver -w || return 1
        touch "$WINEPREFIX/.ferrik-ready"
    fi
    # Caption buttons and drop-down arrows are drawn with the "Marlett" font, which Wine's prefix
    # lacks: without it a request for the face gets another one (caption buttons read "0 1 r").
    local marlett=/usr/share/wine/fonts/marlett.ttf
    if [ -f "$marlett" ]; then
        ferrik_step "$step" "$again" cp -u "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/" || return 1
    fi
    ferrik_step "starting the wineserver of $WINEPREFIX" "$again" env LC_ALL=zh_CN.UTF-8 wineserver -p ||
        return 1
    ferrik_run ferrik_wine cmd /c exit >/dev/null 2>&1 || true
    ferrik_step "$step" "$again" ferrik_font_replacements || return 1
    # The player substitute stands in for the player's control in this prefix only.
    # The loader of the tree's width runs regsvr32 of that width, which writes the registry view
    # that programs of the same width read.
    local sim="$FERRIK_BUILD/$FERRIK_WINE_TREE/qvodsim.dll"
    if [ -f "$sim" ]; then
        ferrik_step "registering the player substitute" "rebuild it (target player_sim), then run again" \
            ferrik_quiet ferrik_wine regsvr32 /s "$(ferrik_wine winepath -w "$sim" 2>/dev/null)" || return 1
    fi
    # The browser stand-in takes the WebBrowser control's and the HTML document's classes over in
    # the test prefix, so that the tests drive the system-browser path (FERRIK_BROWSER_SIM=0: not).
    local browser="$FERRIK_BUILD/$FERRIK_WINE_TREE/browsersim.dll"
    if [ "${FERRIK_BROWSER_SIM:-1}" = 1 ] && [ -f "$browser" ]; then
        ferrik_step "registering the browser stand-in" "rebuild it (target browser_sim), then run again" \
            ferrik_quiet ferrik_wine regsvr32 /s "$(ferrik_wine winepath -w "$browser" 2>/dev/null)" || return 1
    fi
}

# Ends the wineserver of the prefix this script prepared (never one it did not start) and the display.
ferrik_stop_wine() {
    [ -n "$FERRIK_WINESERVER_OWNED" ] && ferrik_end_wineserver
    FERRIK_WINESERVER_OWNED=
    [ -n "$FERRIK_XVFB_PID" ] && { kill "$FERRIK_XVFB_PID" 2>/dev/null || true; }
    FERRIK_XVFB_PID=
    return 0
}
