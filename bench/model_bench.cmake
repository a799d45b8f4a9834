# model_bench: the curve at many sites in one process.
add_executable(model_bench ${CMAKE_CURRENT_LIST_DIR}/model_bench.cpp)
target_link_libraries(model_bench PRIVATE model benchmark::benchmark)
target_compile_definitions(model_bench PRIVATE
  KARVEN_DEMO_COEFFICIENTS="${PROJECT_SOURCE_DIR}/examples/demo_coeff.inp")
