# Installing the toolkit: the programs into bin, a manual page for each
# into share/man/man1, the demonstration coefficient file with its note
# into share/karven, the copyright, change log and guide into share/doc/karven.
include(GNUInstallDirs)

option(KARVEN_STATIC "Link karven statically: it then needs no C++ runtime where it runs" OFF)

find_program(KARVEN_HELP2MAN help2man)
find_program(KARVEN_GZIP gzip REQUIRED)
if(NOT KARVEN_HELP2MAN AND NOT CMAKE_CROSSCOMPILING)
  message(STATUS "help2man not found: the companions' manual pages are not made "
                 "(apt-get install help2man)")
endif()

# Installs a manual page compressed as man expects it; gzip -n keeps the
# name and time of the page out of the file, so every build gives the same bytes.
function(karven_install_man_page page)
  get_filename_component(name ${page} NAME)
  set(copy ${CMAKE_CURRENT_BINARY_DIR}/man/${name})
  add_custom_command(OUTPUT ${copy}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${page} ${copy}
                     COMMAND ${KARVEN_GZIP} -9nf ${copy}
                     DEPENDS ${page} VERBATIM)
  add_custom_target(${name}_page ALL DEPENDS ${copy}.gz)
  install(FILES ${copy}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

# A companion command: installed into bin, with a manual page that help2man
# makes from the built command's --help and from the sections of
# <command>.h2m beside its sources (NAME, FILES, EXIT STATUS, EXAMPLES,
# SEE ALSO), so that the page says what --help says and never drifts from it.
function(karven_companion command)
  install(TARGETS ${command} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(NOT KARVEN_HELP2MAN OR CMAKE_CROSSCOMPILING)
    return()
  endif()
  set(sections ${CMAKE_CURRENT_SOURCE_DIR}/${command}.h2m)
  if(EXISTS ${sections})
    set(include --include=${sections})
  else()
    message(AUTHOR_WARNING "${command}: no ${command}.h2m beside its sources, "
                           "so its manual page holds only what --help says")
    set(include "")
    set(sections "")
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/${command}.1)
  add_custom_command(OUTPUT ${page}
                     COMMAND ${KARVEN_HELP2MAN} --no-info --no-discard-stderr
                             --version-string=${PROJECT_VERSION} ${include}
                             --output=${page} $<TARGET_FILE:${command}>
                     DEPENDS ${command} ${sections} VERBATIM)
  karven_install_man_page(${page})
endfunction()

# The maintainer of the Debian package, named in its change log and control file.
set(KARVEN_MAINTAINER "karven maintainers <karven@example.org>"
    CACHE STRING "Maintainer named in the Debian package")

install(FILES ${PROJECT_SOURCE_DIR}/examples/demo_coeff.inp ${PROJECT_SOURCE_DIR}/examples/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/karven)

# The copyright and change log, as a Debian package carries them; the
# change log compressed like a manual page.
set(doc ${CMAKE_INSTALL_DATADIR}/doc/karven)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/doc/changelog.gz
                   COMMAND ${KARVEN_GZIP} -9nkf ${PROJECT_BINARY_DIR}/doc/changelog
                   DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog VERBATIM)
add_custom_target(karven_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog.gz)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${PROJECT_BINARY_DIR}/doc/changelog.gz
        DESTINATION ${doc})
# The guide: its pages with their figures, in share/doc/karven/guide, where
# the manual pages point.
file(GLOB guide CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/*.md ${PROJECT_SOURCE_DIR}/docs/*.png)
install(FILES ${guide} DESTINATION ${doc}/guide)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME karven)

# The bundled data: the global field models and the radiocarbon
# calibration curves, each folder with the README that credits it.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/models ${PROJECT_SOURCE_DIR}/data/radiocarbon
        DESTINATION ${CMAKE_INSTALL_DATADIR}/karven)

# The install as a packager makes it, into a stage with DESTDIR: every file
# under STAGE/PREFIX, the Python module (when built) where its interpreter
# looks under the prefix, and importable from there.
if(BUILD_TESTING AND NOT CMAKE_CROSSCOMPILING)
  add_test(NAME staged_install
           COMMAND ${CMAKE_COMMAND} -DBUILD=${PROJECT_BINARY_DIR}
                   -DSTAGE=${PROJECT_BINARY_DIR}/staged-install -DPREFIX=/usr/local
                   "-DPYTHON=$<$<TARGET_EXISTS:karven_module>:$<TARGET_PROPERTY:karven_module,KARVEN_PYTHON>>"
                   -DSITE_PACKAGES=${PROJECT_SOURCE_DIR}/python/site_packages.py
                   -P ${PROJECT_SOURCE_DIR}/packaging/check-staged-install.cmake)
endif()
