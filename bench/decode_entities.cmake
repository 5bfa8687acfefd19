# Entity decoding of a large page: the one-pass-per-row decoder against the
# literal replace-one-occurrence-at-a-time rule.
add_executable(bench_decode_entities ${CMAKE_CURRENT_LIST_DIR}/decode_entities.cpp)
target_link_libraries(bench_decode_entities PRIVATE nubra::forecast nubra::warnings nubra::sanitizers)
