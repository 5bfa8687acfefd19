# An Open-Meteo answer of 16 days turned into text, against parsing the same
# JSON alone.
find_package(nlohmann_json 3.10 REQUIRED)
add_executable(bench_open_meteo ${CMAKE_CURRENT_LIST_DIR}/open_meteo.cpp)
target_link_libraries(bench_open_meteo PRIVATE nubra::forecast nubra::replica_pages nlohmann_json::nlohmann_json
  nubra::warnings nubra::sanitizers)
