# Sourced: the environment in which Windows programs run under Wine here. Console only: no
# display is used, and Wine's own messages are kept quiet. $1: the directory that holds the
# Wine prefix (Wine's settings and its C: drive).
export WINEPREFIX="${WINEPREFIX:-$1/wine}"  # a prefix given by the caller is kept
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no .NET or Gecko installer prompts
unset DISPLAY WAYLAND_DISPLAY
# Debian's wine64 package keeps its loader outside PATH.
VAK_WINE="$(command -v wine64 || true)"
[ -n "$VAK_WINE" ] || VAK_WINE=/usr/lib/wine/wine64
export VAK_WINE
