# XDLEGF against the stored high-precision references (tests/data), made by
# tests/reference/make_reference.py. A test executable of its own, beside
# legendre_tests.
if(BUILD_TESTING)
  add_executable(legendre_reference_tests ${CMAKE_CURRENT_LIST_DIR}/reference_grid_test.cpp)
  target_link_libraries(legendre_reference_tests PRIVATE legendre test_support GTest::gtest_main)
  target_compile_definitions(legendre_reference_tests PRIVATE
    KARVEN_XDLEGF_REFERENCE="${CMAKE_CURRENT_LIST_DIR}/data/xdlegf_reference.txt"
    KARVEN_XDLEGF_WIDE_REFERENCE="${CMAKE_CURRENT_LIST_DIR}/data/xdlegf_wide_reference.txt")
  gtest_discover_tests(legendre_reference_tests DISCOVERY_TIMEOUT 60)
endif()
