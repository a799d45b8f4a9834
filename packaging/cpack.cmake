# The Debian package karven_<version>_amd64.deb (scripts/package), made
# by CPack from the install rules, for the prefix /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME karven)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KARVEN_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "palaeosecular variation curves of a regional geomagnetic model of Europe")
set(CPACK_PACKAGE_DESCRIPTION
    "karven computes the palaeosecular variation curve of the regional
archaeomagnetic model KARVEN.EU.26 at a site in Europe: declination,
inclination and intensity of the geomagnetic field with their errors at
95% confidence for the years 0 to 1900 AD. Companion commands work on
the curve; karven-plot draws it as a figure; karven-map maps the model
over its region as a figure, a netCDF grid or a CSV table.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The run-time libraries as Debian names them, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Only the figures need gnuplot, with its cairo terminals, and the maps of
# karven-map GMT with its coastlines (netCDF's library, which karven-map
# needs to run, is found by dpkg-shlibdeps); an SVG map is converted from
# GMT's PDF by pdftocairo.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnuplot-nox | gnuplot, gmt, gmt-gshhg-low")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "poppler-utils")
include(CPack)
