# The names under which the game installs itself. The desktop entry, the icons and the metainfo
# all carry the application id, so it is set here once for the packaging and for its tests.
set(POMURAN_APP_ID io.github.pomuran.pomuran)
set(POMURAN_HOMEPAGE https://github.com/pomuran/pomuran)

# Each desktop icon size as "size:picture:factor": the window icon's pictures at their own size,
# and whole-number enlargements for the rest. 48 is the 16-pixel picture three times over, since
# 48 is no whole multiple of 32.
set(POMURAN_ICONS
  16:icon16.xpm:1
  32:icon32.xpm:1
  48:icon16.xpm:3
  64:icon32.xpm:2
  128:icon32.xpm:4)
