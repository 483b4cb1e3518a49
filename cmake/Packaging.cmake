# The Debian package, made by CPack from the same install:
#   cpack -G DEB        (in the build folder)
set(CPACK_PACKAGE_NAME zox)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zox")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Logger for the Trelo prvenstvo NLT amateur-radio contest")
set(CPACK_PACKAGE_DESCRIPTION
  "Zox logs the contacts of the Trelo prvenstvo NLT contest on 80 m, CW and SSB:
duplicate and new-multiplier checks while typing, running score, hourly counts,
a Morse keyer on the parallel port, and the listing, summary sheet and ADIF
file after the contest. The user interface is Slovene.")
set(CPACK_PACKAGE_CONTACT "Zox developers <zox@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://localhost/zox")
# The libraries come from dpkg-shlibdeps; Qt's Slovene texts are read at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, fonts-dejavu-core, libreoffice-writer | abiword")
include(CPack)
