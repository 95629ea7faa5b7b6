# How the Windows build's programs run under Wine, in one place: one prefix
# per build directory, its architecture pinned (with 64-bit Wine installed a
# new prefix would otherwise be a 64-bit one even for the 32-bit build), and
# Wine's own messages silenced. Tests take it as QUENTARPBM_WINE_ENV; shell
# scripts source wine_env.sh in the build directory.
set(QUENTARPBM_WINE_ENV
  "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEARCH=${QUENTARPBM_WINEARCH};WINEDEBUG=-all")
file(WRITE ${CMAKE_BINARY_DIR}/wine_env.sh
  "export WINEPREFIX='${CMAKE_BINARY_DIR}/wineprefix' WINEARCH=${QUENTARPBM_WINEARCH} WINEDEBUG=-all\n"
  "wine='${QUENTARPBM_WINE}'\n")
