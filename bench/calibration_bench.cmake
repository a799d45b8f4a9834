# calibration_bench: calibrating 14C ages spread over the whole of IntCal20,
# with their 68% and 95% HPD intervals.
add_executable(calibration_bench ${CMAKE_CURRENT_LIST_DIR}/calibration_bench.cpp)
target_link_libraries(calibration_bench PRIVATE radiocarbon benchmark::benchmark)
