# The Debian package (cpack -G DEB): scripts/package.sh builds it from a Release tree of its
# own configured with -DPENVO_DEBIAN_PACKAGE=ON.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME penvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Penvo")
set(CPACK_PACKAGE_CONTACT "Penvo maintainers <maintainers@users.noreply.c-seed-f73b2c0c.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "draw on the screen")
# Lines of at most 80 characters, as Debian's control files want them.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Penvo covers the screen with a still picture of the desktop and lets you draw\n"
  "over it with the mouse: free-hand lines, straight lines, rectangles and\n"
  "ellipses, in a colour, width and pen mode of your choice, filled or hollow.\n"
  "A right click shows its options bar, and one-key commands change the options\n"
  "and undo, redo or clear the drawing.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # penvo_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the program file (dpkg-shlibdeps); Qt's platform plugins are loaded
# at run time, so no library names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# In a Wayland session the windows show through Qt's Wayland plugin, and the picture of the
# desktop comes from the desktop portal (with the portal of the desktop itself).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-utils, qt6-wayland, xdg-desktop-portal, xdg-desktop-portal-gnome | xdg-desktop-portal-kde | xdg-desktop-portal-wlr")

include(CPack)
