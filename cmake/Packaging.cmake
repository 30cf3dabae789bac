# SPDX-License-Identifier: GPL-3.0-or-later
# A Debian package of what `cmake --install` puts in place:
#   cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DBUILD_TESTING=OFF -DVARDELIN_BUILD_BENCH=OFF
#   cmake --build build-deb --target package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vardelin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Vardelin developers <vardelin@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "瓦德林通讯录: address book with groups, cards and contact records")
set(CPACK_PACKAGE_DESCRIPTION
    "Contacts kept in a tree of groups, each with a card and a list of the times they were contacted; lists sort by pinyin.")
# The package installs where the program was configured for, so the folder it refuses to write
# DB.xml into is the one it really runs from.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The debug information of a RelWithDebInfo build would triple the package.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vardelin.org")
# The libraries it and its sync module (Qt Network) link (Qt 6, ICU, SQLite, the C++ runtime)
# come from dpkg-shlibdeps, which reads every installed ELF file; what it loads at run time
# without linking is named here: the SQLite and PostgreSQL drivers and the platform plugins of
# Qt, libpq and libxlsxwriter (loaded when a server address book or the workbook export needs
# them), the Chinese font it prefers and Qt's Chinese texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6sql6-sqlite, libqt6sql6-psql, qt6-qpa-plugins, libpq5, libxlsxwriter4, fonts-wqy-microhei,\
 qt6-translations-l10n")
include(CPack)
