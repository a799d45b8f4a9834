# legendre_bench: the speed of XDLEGF, from the single values of the cap
# basis to long runs of degrees and orders.
add_executable(legendre_bench ${CMAKE_CURRENT_LIST_DIR}/legendre_bench.cpp)
target_link_libraries(legendre_bench PRIVATE legendre benchmark::benchmark)
