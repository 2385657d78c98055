# Sourced by the Wine scripts: the settings of a quiet, headless and
# reproducible Wine run. $state is the build's Wine folder.
export WINEPREFIX="$state/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
# The locale fixes Wine's ANSI code page and the language of the OK button.
export LANG=C.UTF-8
unset LC_ALL LC_CTYPE LC_MESSAGES LANGUAGE
# Only Wine's own fonts, so that the layout is the same on every machine.
export FONTCONFIG_FILE="$state/fonts.conf"
unset DISPLAY WAYLAND_DISPLAY
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
export WINESERVER
