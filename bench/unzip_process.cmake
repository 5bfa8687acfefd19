# The whole extraction, process against process: nubra-cli unzip against
# zlib_unzip, a minimal extractor over zlib that exists only as this
# benchmark's reference.
find_package(ZLIB REQUIRED)
add_executable(zlib_unzip ${CMAKE_CURRENT_LIST_DIR}/zlib_unzip.c)
target_compile_options(zlib_unzip PRIVATE -Wall -Wextra)
target_link_libraries(zlib_unzip PRIVATE ZLIB::ZLIB)

add_executable(bench_unzip_process
  ${CMAKE_CURRENT_LIST_DIR}/unzip_process.cpp
  ${PROJECT_SOURCE_DIR}/tests/archive/archive_test_support.cpp)
target_include_directories(bench_unzip_process PRIVATE ${PROJECT_SOURCE_DIR}/tests/archive)
target_compile_definitions(bench_unzip_process PRIVATE NUBRA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_link_libraries(bench_unzip_process PRIVATE nubra::archive ZLIB::ZLIB nubra::warnings nubra::sanitizers)
