# Start-up and list switching of the window, the walks at 2 MiB, and the
# instruction count of inflate; tools/bench.sh runs them all.

# Start-up against a bare Qt window, both timed by the probe in
# app/shown_probe.h. The harness itself needs no Qt.
add_executable(bench_startup ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
target_link_libraries(bench_startup PRIVATE nubra::warnings nubra::sanitizers)
if(NUBRA_BUILD_APP)
  find_package(Qt6 REQUIRED COMPONENTS Widgets)
  add_executable(bare_window ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
  target_include_directories(bare_window PRIVATE ${PROJECT_SOURCE_DIR}/app)
  target_link_libraries(bare_window PRIVATE Qt6::Widgets nubra::warnings nubra::sanitizers)

  # ShowCountry and ComboBox2Change in the real window, repaint included.
  add_executable(bench_list_switch ${CMAKE_CURRENT_LIST_DIR}/list_switch.cpp)
  target_link_libraries(bench_list_switch PRIVATE nubra::window nubra::data nubra::warnings nubra::sanitizers)

  if(NUBRA_BUILD_TESTS)
    # The probe must see nubra's window painted after answering the error
    # box of the failed start-up fetch, and the process must then end.
    add_test(NAME startup_probe_ends_the_run
             COMMAND bench_startup --runs 1 $<TARGET_FILE:nubra> $<TARGET_FILE:bare_window>)
    set_tests_properties(startup_probe_ends_the_run PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 180)
  endif()
endif()

# DecodeEntities and the four walks at 1 and 2 MiB.
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
endif()
