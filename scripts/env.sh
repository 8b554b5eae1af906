# Sourced by the scripts: one Wine prefix for the project, kept quiet and prompt-free.
export WINEPREFIX="${QV_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvel/wine64}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export PATH="/usr/lib/wine:$PATH"

# Starts Wine's desktop process with its output going nowhere and keeps it in use until the
# calling script ends. Wine ends that process a second after its last user and the next window
# starts it again, inheriting that program's output pipes: ctest then waits for the test that
# started it, and each start-up measured would include the desktop's own. A console program
# reading a pipe that stays open (file descriptor 8 of the caller) is the lasting user.
qv_keep_desktop() {
  local fifo
  fifo="$(mktemp -u)" && mkfifo "$fifo" || return 1
  wine64 cmd <"$fifo" >/dev/null 2>&1 &
  exec 8>"$fifo"
  rm -f "$fifo"
  wine64 explorer /desktop >/dev/null 2>&1 </dev/null &
}
