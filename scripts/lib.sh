# The scripts' shared plumbing, sourced by each after it has set `top` (the top of the tree):
#   . "$top/scripts/lib.sh"

# A compiler cache, where one is installed, makes rebuilds of unchanged files nearly free.
quillo_use_ccache() {
    if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null 2>&1; then
        export CMAKE_CXX_COMPILER_LAUNCHER=ccache
    fi
}

# Prints those of the Debian packages named that are not installed, one a line. Real package
# names only: a virtual one (that only Provides) is never reported installed.
quillo_missing_packages() {
    local p
    for p in "$@"; do
        [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)" = "install ok installed" ] \
            || echo "$p"
    done
}

# quillo_install WHO PACKAGE...: installs those of the packages that are missing, through sudo
# when not root, and says so on stderr as "WHO: installing ..."; nothing at all when none is.
quillo_install() {
    local who=$1
    shift
    local missing still as_root=()
    mapfile -t missing < <(quillo_missing_packages "$@")
    [ ${#missing[@]} -gt 0 ] || return 0
    echo "$who: installing ${missing[*]}" >&2
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get update -qq >&2
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >&2
    # A name apt accepted but dpkg does not report installed would be installed on every run.
    mapfile -t still < <(quillo_missing_packages "${missing[@]}")
    if [ ${#still[@]} -ne 0 ]; then
        echo "$who: not reported installed after apt-get: ${still[*]} (a virtual package? list" \
            "the real one)" >&2
        return 1
    fi
}

# The build folder the script works in: QUILLO_BUILD_DIR when set, else the default given;
# either relative to the top of the tree or absolute. Printed as an absolute path.
quillo_build_dir() {
    local dir=${QUILLO_BUILD_DIR:-$1}
    case $dir in
    /*) echo "$dir" ;;
    *) echo "$top/$dir" ;;
    esac
}

# quillo_on_display WHO PROGRAM [ARGS...]: runs the program on the display, or on a virtual X
# server where there is none (saying so as "WHO: ..."); returns the program's exit status.
quillo_on_display() {
    local who=$1
    shift
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "$who: no display; starting the window on a virtual X server" >&2
        xvfb-run -a "$@"
    else
        "$@"
    fi
}

# quillo_progress WHO: reads a Ninja build's output and says on stderr, every 5 % of its steps,
# how far it is and for how long it has run; the lines of a failed step are passed on whole.
quillo_progress() {
    local who=$1 line shown=-1 failing=0 step
    local since=$SECONDS
    while IFS= read -r line; do
        if [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]]; then
            failing=0
            step=$((BASH_REMATCH[1] * 20 / BASH_REMATCH[2]))
            if [ "$step" -ne "$shown" ]; then
                shown=$step
                echo "$who: step ${BASH_REMATCH[1]} of ${BASH_REMATCH[2]}," \
                    "$(((SECONDS - since) / 60)) min so far" >&2
            fi
            continue
        fi
        [[ $line == FAILED:* ]] && failing=1
        [ "$failing" -eq 0 ] || echo "$line" >&2
    done
}
