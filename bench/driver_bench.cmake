add_executable(driver_bench driver_bench.cpp)
target_link_libraries(driver_bench PRIVATE driver benchmark::benchmark)
target_compile_definitions(driver_bench PRIVATE
  KARVEN_DEMO_COEFFICIENTS="${PROJECT_SOURCE_DIR}/examples/demo_coeff.inp")

# The floor of the whole-run comparison: input and output only.
add_executable(karven_floor floor.cpp)
# Linked like karven, so that a static karven meets a static floor.
if(KARVEN_STATIC)
  target_link_options(karven_floor PRIVATE -static)
endif()
