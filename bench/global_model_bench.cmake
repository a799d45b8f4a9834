# global_model_bench: the field of a global model at many sites at one year,
# and at one site over many years.
add_executable(global_model_bench ${CMAKE_CURRENT_LIST_DIR}/global_model_bench.cpp)
target_link_libraries(global_model_bench PRIVATE global_model benchmark::benchmark)
target_compile_definitions(global_model_bench PRIVATE
  KARVEN_MODELS_DIR="${PROJECT_SOURCE_DIR}/data/models")
