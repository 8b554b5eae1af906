# Sourced by the scripts: one Wine prefix for the project, kept quiet and prompt-free.
export WINEPREFIX="${QV_WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvel/wine64}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export PATH="/usr/lib/wine:$PATH"

# Starts a private Xvfb of SIZE (WIDTHxHEIGHT) on a display number it picks itself, and exports
# DISPLAY; QV_XVFB_PID is then its process id, for the caller to stop. WHO names the caller in
# the message when it does not start.
qv_start_xvfb() {
  local size="$1" who="$2" fifo display_number
  fifo="$(mktemp -u)" && mkfifo "$fifo" || return 1
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  QV_XVFB_PID=$!
  if ! read -r -t 20 display_number <"$fifo"; then
    rm -f "$fifo"
    kill "$QV_XVFB_PID" 2>/dev/null
    echo "$who: Xvfb did not start" >&2
    return 1
  fi
  rm -f "$fifo"
  export DISPLAY=":$display_number"
}

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

# Whether this machine executes 32-bit x86 code at all. Some kernels run 64-bit user code only
# ("IA-32 emulation off"): there every i386 program fails with "Exec format error", however well
# wine32 installed. The probe is the smallest i386 program there is (exit(0) through int 0x80),
# so the answer needs no 32-bit package. Exit status 126 is the shell's "cannot execute".
qv_probe_32bit() {
  local probe status
  probe="$(mktemp)" || return 0
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  status=$?
  rm -f "$probe"
  # Anything but "cannot execute" (a crash of the probe, say) counts as running: the Wine loader
  # check below then decides.
  [ "$status" -ne 126 ]
}

# Chooses the Windows build that runs the tests and the programs: the shipped i686 build where
# 32-bit Wine runs here, else the x86_64 build. QV_WINDOWS_ARCH=x86_64 (or i686) forces the choice.
# Sets QV_WINDOWS_ARCH, QV_WINDOWS_PRESET (win32 or win64) and QV_WINDOWS_WHY (the reason).
qv_choose_windows_arch() {
  local out
  case "${QV_WINDOWS_ARCH:-}" in
    i686|x86_64) QV_WINDOWS_WHY="chosen with QV_WINDOWS_ARCH=$QV_WINDOWS_ARCH" ;;
    "")
      if [ -f "$WINEPREFIX/.quorvel-no-wine32" ]; then
        QV_WINDOWS_ARCH=x86_64
        QV_WINDOWS_WHY="$(head -n 1 "$WINEPREFIX/.quorvel-no-wine32")"
      elif out="$(/usr/lib/wine/wine --version 2>&1)"; then
        QV_WINDOWS_ARCH=i686
        QV_WINDOWS_WHY="this machine runs 32-bit code ($out)"
      else
        QV_WINDOWS_ARCH=x86_64
        case "$out" in
          *"Exec format error"*) QV_WINDOWS_WHY="this machine runs no 32-bit code (the 32-bit Wine loader: Exec format error)" ;;
          *) QV_WINDOWS_WHY="the 32-bit Wine loader does not run: ${out:-no output}" ;;
        esac
      fi ;;
    *) echo "QV_WINDOWS_ARCH must be i686 or x86_64, not '$QV_WINDOWS_ARCH'" >&2; return 1 ;;
  esac
  QV_WINDOWS_PRESET=win32
  [ "$QV_WINDOWS_ARCH" = x86_64 ] && QV_WINDOWS_PRESET=win64
  export QV_WINDOWS_ARCH QV_WINDOWS_PRESET QV_WINDOWS_WHY
}

# Writes the operator's guides into FOLDER as README.en.txt and README.zh-CN.txt: plain text with
# CRLF line ends and a UTF-8 byte order mark, so that Notepad shows them right.
qv_write_guides() {
  local folder="$1" docs lang
  docs="$(cd "$(dirname "${BASH_SOURCE[0]}")/../docs" && pwd)" || return 1
  for lang in en zh-CN; do
    { printf '\xef\xbb\xbf'; sed 's/$/\r/' "$docs/operator-guide.$lang.md"; } >"$folder/README.$lang.txt" || return 1
  done
}
