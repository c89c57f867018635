# shellcheck shell=bash
# What the package scripts share; sourced by scripts/package, package-linux
# and package-windows, from wherever they are started.
webrolo_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# A fact of the project, from the one place it is set (CMakeLists.txt).
project_version() { sed -n 's/^project(webrolo VERSION \([0-9.]*\).*/\1/p' "$webrolo_top/CMakeLists.txt"; }
project_homepage() { sed -n 's/^project(webrolo .*HOMEPAGE_URL "\([^"]*\)".*/\1/p' "$webrolo_top/CMakeLists.txt"; }
project_release_date() { sed -n 's/^set(WEBROLO_RELEASE_DATE "\(.*\)")/\1/p' "$webrolo_top/CMakeLists.txt"; }

# A build configured before the version changed would carry the old one inside.
check_build_version() {  # build_dir
  local built
  built=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt")
  [ "$built" = "$(project_version)" ] ||
    { echo "$1 was configured for version ${built:-?}, the tree is $(project_version): configure it again" >&2; return 1; }
}

# Every date inside the packages is the commit's, so that one commit gives one set of bytes.
export_source_date_epoch() {
  SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$webrolo_top" log -1 --format=%ct 2>/dev/null || stat -c %Y "$webrolo_top/CMakeLists.txt")}
  export SOURCE_DATE_EPOCH
}

# Waits for a window of exactly that title on the current display, at most
# tries times a quarter of a second; prints its id, or fails.
wait_for_window() {  # title tries
  local id _
  for _ in $(seq "$2"); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -1) || true
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.25
  done
  return 1
}
