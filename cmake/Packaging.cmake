# `cpack` in a build folder makes vantrel_<version>_<arch>.deb: both programs with their desktop
# files, for Debian 12.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "Vantrel")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "label designer for the CT221B thermal label printer")
set(CPACK_PACKAGE_DESCRIPTION
    "Vantrel lays out small adhesive labels from text, barcodes, QR codes, shapes and pictures,\n\
with placeholders and CSV lists, and prints them on the CT221B direct-thermal label printer over\n\
Bluetooth LE. vantrel-cli does the same from a shell.")
set(VANTREL_PACKAGE_CONTACT "Vantrel maintainers <maintainers@vantrel.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${VANTREL_PACKAGE_CONTACT}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries' dependencies miss: Qt's platform and SVG image plugins (without the SVG
# plugin every icon paints nothing), the fallback icon theme, and the faces the label fonts use.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6svg6, breeze-icon-theme, fonts-urw-base35, fonts-liberation2, \
fonts-dejavu-core, fonts-lato")
# Printing over Bluetooth needs BlueZ; the virtual printer does not.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bluez")
include(CPack)
