# chronology_bench: a stratigraphic sequence of 100 events on 1,901 years,
# and its scaling in the count of events and of years.
add_executable(chronology_bench ${CMAKE_CURRENT_LIST_DIR}/chronology_bench.cpp)
target_link_libraries(chronology_bench PRIVATE dating benchmark::benchmark)
