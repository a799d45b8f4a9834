# Settings of the WebAssembly build (emcmake cmake, from scripts/web).
#
# Exceptions carry every refusal of the libraries: without -fexceptions at
# compiling and linking, emscripten aborts the module at the first throw.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)
set(BUILD_TESTING OFF CACHE BOOL "No host tests in the WebAssembly build" FORCE)

# CLI11 and nlohmann-json are header-only, but their CMake configurations
# add all of /usr/include, the host's C library among it, to every target.
# KARVEN_WEB_INCLUDE_DIR holds only their own headers (scripts/web links
# them there).
if(NOT KARVEN_WEB_INCLUDE_DIR)
  message(FATAL_ERROR "Give -DKARVEN_WEB_INCLUDE_DIR=DIR, a folder with CLI/ and nlohmann/ (scripts/web)")
endif()
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 SYSTEM INTERFACE ${KARVEN_WEB_INCLUDE_DIR})
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${KARVEN_WEB_INCLUDE_DIR})
