# The Debian package: cpack -G DEB in a build folder gives tarnix_VERSION_ARCH.deb with tarnix,
# tarnix-cli, the icon, the desktop entry and the AppStream metadata. Library dependencies are
# read from the binaries (dpkg-shlibdeps), so the package names exactly what the build linked.
set(CPACK_PACKAGE_NAME tarnix)
set(CPACK_PACKAGE_VENDOR "Tarnix")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Screen recorder with automatic zoom and a built-in editor")
set(CPACK_PACKAGE_DESCRIPTION "Tarnix records a display, a window or an application, with camera, microphone \
and system audio, zooms in automatically where you worked, and exports a polished video.")
set(CPACK_PACKAGE_CONTACT "Tarnix developers <dev@tarnix.app>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time rather than linked: the sound server's client side and the accessibility bus.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio-utils | pipewire-pulse, at-spi2-core, fonts-inter")
set(CPACK_GENERATOR DEB)
include(CPack)
