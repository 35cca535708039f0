# Shared by the end-to-end tests: a private copy of the program folder and a free X display number.

# A display number whose lock file and socket are free, so that parallel runs on a shared machine
# do not collide.
free_display() {
  local n
  for n in $(shuf -i 120-480 -n 60); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then echo "$n"; return 0; fi
  done
  return 1
}

# Copies the built program folder, without the settings a previous run may have left.
copy_program() {
  local from=$1 to=$2
  cp -a "$from/." "$to/"
  rm -f "$to"/Data/*.dat
  for f in ImageFile.txt Image.txt MusicFile.txt Music.txt; do : > "$to/Data/$f"; done
}

# Waits until the command succeeds, for at most $1 seconds.
wait_for() {
  local seconds=$1; shift
  local end=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}

hex() { od -An -tx1 -v "$1" | tr -d ' \n'; }

fail() { echo "FAIL: $*" >&2; exit 1; }
