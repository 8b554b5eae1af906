# Sourced by the scripts: one Wine prefix for the project, kept quiet and prompt-free.
export WINEPREFIX="${QV_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvel/wine64}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export PATH="/usr/lib/wine:$PATH"
