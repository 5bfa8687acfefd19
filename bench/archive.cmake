# The archive decoders against zlib's inflate and Info-ZIP's unzip, with
# libdeflate as a further reference for inflate. The test-side encoders make
# the shrunk and imploded inputs.
find_package(ZLIB REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBDEFLATE REQUIRED IMPORTED_TARGET libdeflate)
add_executable(bench_archive
  ${CMAKE_CURRENT_LIST_DIR}/archive_bench.cpp
  ${PROJECT_SOURCE_DIR}/tests/archive/archive_test_support.cpp
  ${PROJECT_SOURCE_DIR}/tests/archive/legacy_encoders.cpp)
target_include_directories(bench_archive PRIVATE ${PROJECT_SOURCE_DIR}/tests/archive)
target_compile_definitions(bench_archive PRIVATE NUBRA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_link_libraries(bench_archive PRIVATE nubra::archive ZLIB::ZLIB PkgConfig::LIBDEFLATE nubra::warnings nubra::sanitizers)
