# The Debian package, made by CPack from the install rules: `cpack -G DEB` in a build folder, or
# scripts/package. Library dependencies come from dpkg-shlibdeps; the version from project().
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillobarent)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillo Barent")
set(CPACK_PACKAGE_CONTACT "${QUILLO_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program of a clamp-on earth-resistance tester")
# Line breaks kept: control files want the extended description in lines of under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Talks to a clamp-on earth-resistance tester over a serial port (USB adapter,
Bluetooth link or built-in port): finds the instrument by itself, shows its
realtime readings with alarms, downloads the measurements stored in it into a
listing that can be saved and printed, keeps every download in an archive
(SQLite, or PostgreSQL for a team), and keeps a trend chart.
.
A simulated instrument, quillobarent-instrument-sim, is included for
demonstrations and training without the tester.")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLO_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The libraries are found by dpkg-shlibdeps; the window also needs Qt's platform plugins, and the
# archive of downloads Qt's SQLite driver, which are loaded at run time and so are invisible to it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite")
# The listing's faces: a Song-style CJK font whose ASCII is fixed-width, so its columns line up.
# The PostgreSQL driver only for a team that keeps its archive on a server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-arphic-uming, fonts-wqy-microhei, libqt6sql6-psql")

include(CPack)
