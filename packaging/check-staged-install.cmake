# Installs the build tree as a distribution's packager does, into a stage
# with DESTDIR, and checks that every file lands under STAGE/PREFIX: the
# files found in the stage, and those the install's manifest names, each
# PREFIX/... and found under the stage (a rule that left DESTDIR out would
# write outside the stage; one that put it in front twice, inside the
# stage but not under STAGE/PREFIX).
# With PYTHON given, the module must lie in the site-packages folder that
# interpreter takes under PREFIX, and import from there with PYTHONPATH
# set to that folder.
#
# cmake -DBUILD=DIR -DSTAGE=DIR -DPREFIX=/usr/local [-DPYTHON=python3]
#       [-DSITE_PACKAGES=python/site_packages.py] -P check-staged-install.cmake
foreach(variable BUILD STAGE PREFIX)
  if(NOT ${variable})
    message(FATAL_ERROR "check-staged-install: give -D${variable}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "DESTDIR=${STAGE}" ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "check-staged-install: the install into ${STAGE} fails:\n${output}")
endif()

set(tree "${STAGE}${PREFIX}/")
set(outside "")
file(GLOB_RECURSE found LIST_DIRECTORIES false "${STAGE}/*")
foreach(file IN LISTS found)
  string(FIND "${file}" "${tree}" at)
  if(NOT at EQUAL 0)
    list(APPEND outside "${file}")
  endif()
endforeach()
# The manifest names each file as installed without DESTDIR.
file(STRINGS "${BUILD}/install_manifest.txt" installed)
foreach(file IN LISTS installed)
  string(FIND "${file}" "${PREFIX}/" at)
  if(NOT at EQUAL 0 OR NOT EXISTS "${STAGE}${file}")
    list(APPEND outside "${file} (in the manifest, not ${STAGE}${file})")
  endif()
endforeach()
list(LENGTH found count)
if(count EQUAL 0)
  message(FATAL_ERROR "check-staged-install: nothing was installed into ${STAGE}")
endif()
if(outside)
  list(JOIN outside "\n  " lines)
  message(FATAL_ERROR "check-staged-install: installed outside ${tree}:\n  ${lines}")
endif()

if(PYTHON)
  file(GLOB_RECURSE modules "${STAGE}/karven.*.so" "${STAGE}/karven.*.pyd")
  list(LENGTH modules module_count)
  if(NOT module_count EQUAL 1)
    message(FATAL_ERROR "check-staged-install: expected one Python module karven in ${STAGE}, found ${module_count}: ${modules}")
  endif()
  get_filename_component(folder "${modules}" DIRECTORY)
  execute_process(COMMAND "${PYTHON}" "${SITE_PACKAGES}" "${PREFIX}"
                  OUTPUT_VARIABLE site OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  if(NOT folder STREQUAL "${tree}${site}")
    message(FATAL_ERROR "check-staged-install: the module lies in ${folder}, not in ${tree}${site}, where ${PYTHON} looks under ${PREFIX}")
  endif()
  # Run in the stage, so that nothing is imported from the current folder;
  # -s keeps the user's site-packages out.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "PYTHONPATH=${folder}"
            "${PYTHON}" -s -B -c "import karven; print(karven.__file__)"
    WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE status OUTPUT_VARIABLE imported
    ERROR_VARIABLE error OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0 OR NOT imported STREQUAL modules)
    message(FATAL_ERROR "check-staged-install: the staged module does not import from ${folder}: ${imported}${error}")
  endif()
endif()

message(STATUS "check-staged-install: ${count} files under ${tree}")
file(REMOVE_RECURSE "${STAGE}")
