# The four forecast walks on large pages, against entity decoding of the
# same pages, at 1 and 16 MiB.
add_executable(bench_sources_walk ${CMAKE_CURRENT_LIST_DIR}/sources_walk.cpp)
target_link_libraries(bench_sources_walk PRIVATE nubra::forecast nubra::replica_pages nubra::warnings nubra::sanitizers)
