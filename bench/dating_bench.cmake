# dating_bench: dating 10,000 samples (D, I and F each) against one curve.
add_executable(dating_bench ${CMAKE_CURRENT_LIST_DIR}/dating_bench.cpp)
target_link_libraries(dating_bench PRIVATE dating benchmark::benchmark)
