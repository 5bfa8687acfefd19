# The walks and entity decoding on stress pages of 4 and 16 MiB: the time
# ratio shows whether they stay linear.
add_executable(bench_large_pages ${CMAKE_CURRENT_LIST_DIR}/large_pages.cpp)
target_include_directories(bench_large_pages PRIVATE ${PROJECT_SOURCE_DIR}/tests/forecast)
target_link_libraries(bench_large_pages PRIVATE nubra::forecast nubra::warnings nubra::sanitizers)
