# Start-up and list switching of the window, the walks at 2 MiB, and the
# instruction count of inflate; tools/bench.sh runs them all.

# Start-up against a bare Qt window, both timed by the probe in
# app/shown_probe.h. The harness itself needs no Qt.
add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
target_link_libraries(bench_startup PRIVATE nubra::warnings nubra::sanitizers)
if(NUBRA_BUILD_APP)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Network)
  add_executable(bare_window ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
  target_include_directories(bare_window PRIVATE ${PROJECT_SOURCE_DIR}/app)
  target_link_libraries(bare_window PRIVATE Qt6::Widgets nubra::warnings nubra::sanitizers)

  # ShowCountry and ComboBox2Change in the real window, repaint included.
  add_executable(bench_list_switch ${CMAKE_CURRENT_LIST_DIR}/list_switch.cpp)
  target_link_libraries(bench_list_switch PRIVATE nubra::window nubra::data nubra::warnings nubra::sanitizers)

  if(NUBRA_BUILD_TESTS)
    # The probe in the real programs, the harness's refusal of runs that
    # are not the start-up it means to time, and the instruction counter's
    # program (added below when callgrind's header is there).
    find_package(GTest REQUIRED)
    include(GoogleTest)
    add_executable(bench_tools_tests ${CMAKE_CURRENT_LIST_DIR}/bench_tools_test.cpp)
    target_compile_definitions(bench_tools_tests PRIVATE
      NUBRA_BIN="$<TARGET_FILE:nubra>"
      BARE_WINDOW_BIN="$<TARGET_FILE:bare_window>"
      BENCH_STARTUP_BIN="$<TARGET_FILE:bench_startup>")
    add_dependencies(bench_tools_tests nubra bare_window bench_startup)
    target_link_libraries(bench_tools_tests PRIVATE Qt6::Core Qt6::Network GTest::gtest nubra::warnings
      nubra::sanitizers)
    gtest_discover_tests(bench_tools_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endif()

# DecodeEntities and the four walks at 1, 2 and 16 MiB.
add_executable(bench_page_walks ${CMAKE_CURRENT_LIST_DIR}/page_walks.cpp)
target_include_directories(bench_page_walks PRIVATE ${PROJECT_SOURCE_DIR}/tests/forecast)
target_link_libraries(bench_page_walks PRIVATE nubra::forecast nubra::replica_pages nubra::warnings
  nubra::sanitizers)

# Instructions per output byte of inflate, ours and zlib's, under callgrind.
find_path(NUBRA_CALLGRIND_INCLUDE valgrind/callgrind.h)
if(NUBRA_CALLGRIND_INCLUDE)
  find_package(ZLIB REQUIRED)
  add_executable(bench_inflate_instr
    ${CMAKE_CURRENT_LIST_DIR}/inflate_instr.cpp
    ${PROJECT_SOURCE_DIR}/tests/archive/archive_test_support.cpp)
  target_include_directories(bench_inflate_instr PRIVATE ${PROJECT_SOURCE_DIR}/tests/archive
    ${NUBRA_CALLGRIND_INCLUDE})
  target_link_libraries(bench_inflate_instr PRIVATE nubra::archive nubra::data ZLIB::ZLIB nubra::warnings
    nubra::sanitizers)
  if(TARGET bench_tools_tests)
    target_compile_definitions(bench_tools_tests PRIVATE
      BENCH_INFLATE_INSTR_BIN="$<TARGET_FILE:bench_inflate_instr>")
    add_dependencies(bench_tools_tests bench_inflate_instr)
  endif()
endif()
