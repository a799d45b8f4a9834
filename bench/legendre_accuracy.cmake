# legendre_accuracy: the accuracy report of XDLEGF against the stored
# high-precision references. A plain program, built in every build.
if(TARGET legendre)
  add_executable(legendre_accuracy ${CMAKE_CURRENT_LIST_DIR}/legendre_accuracy.cpp)
  target_link_libraries(legendre_accuracy PRIVATE legendre)
  target_compile_definitions(legendre_accuracy PRIVATE
    KARVEN_XDLEGF_REFERENCE="${PROJECT_SOURCE_DIR}/legendre/tests/data/xdlegf_reference.txt"
    KARVEN_XDLEGF_WIDE_REFERENCE="${PROJECT_SOURCE_DIR}/legendre/tests/data/xdlegf_wide_reference.txt")
endif()
