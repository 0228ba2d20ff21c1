# The Debian package "tavro": `cpack -G DEB` in a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr (scripts/package does it all). Its contents are
# the install rules; its dependencies are found from the programs' libraries
# by dpkg-shlibdeps. No maintainer scripts: the icon cache, the menu and the
# man page index follow through the triggers of their own packages.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "TAVRO decoder project <mail@tavro.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://www.tavro.example/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "decoder of the TAVRO CubeSat's housekeeping beacons")
# Lines as they appear in the package (Debian wants them under 80 columns).
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "The TAVRO Telemetry Decoder turns the AX.25 housekeeping beacons of the"
  "TAVRO CubeSat, from KISS capture files and text log files, into the"
  "satellite's 47 engineering channels: modes, counters, voltages, currents,"
  "temperatures, magnetometer values and payload log counters."
  ""
  "Its window steps through the records, charts any channel over all records,"
  "and writes CSV and TLM files and screenshots. tavro-cli does the same from"
  "the command line, for scripts and batch runs.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(TAVRO_WITH_UI)
  # The window asks for this font by name; dpkg-shlibdeps cannot see that.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
