# Start-up cost of the catalogues against zlib's inflate of the same entries.
find_package(ZLIB REQUIRED)
add_executable(bench_catalogue_load ${CMAKE_CURRENT_LIST_DIR}/catalogue_load.cpp)
target_link_libraries(bench_catalogue_load PRIVATE nubra::catalogue nubra::data ZLIB::ZLIB
  nubra::warnings nubra::sanitizers)
