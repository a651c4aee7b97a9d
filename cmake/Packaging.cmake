# A Debian package of both programs: `cpack --preset package` (see the README).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME beatwright)
set(CPACK_PACKAGE_VENDOR "The Beatwright developers")
set(CPACK_PACKAGE_CONTACT "Beatwright developers <beatwright@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "matches XM tempos with SMPS tempo settings")
set(CPACK_PACKAGE_DESCRIPTION
    "Beatwright helps musicians who port tracker songs in the XM module format\n"
    "to the SMPS sound driver. It lists the divider/period pairs that make an\n"
    "SMPS song play at, or close to, the rate of an XM tempo and speed on an\n"
    "NTSC or PAL machine, closest first, and gives the exact XM tempo of any\n"
    "pair. The package holds the window, beatwright, and the command-line\n"
    "companion, beatwright-cli.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from the binaries themselves; what Qt loads as plugins and the font the
# window is laid out for, dpkg-shlibdeps cannot see.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6, fonts-liberation2")
include(CPack)
