# Windows builds (both architectures): the archiver layer, the programs and
# the tests. Both builds compile the tests; ctest runs them through the
# toolchain's Wine loader (CMAKE_CROSSCOMPILING_EMULATOR), and only where
# that Wine can run on the machine (scripts/test.sh decides).
add_library(plenkit_archiver STATIC src/archiver/archiver_set.cpp)
target_link_libraries(plenkit_archiver PUBLIC plenkit_core)

# The toolkit and the windows, shared by the program and the window tests.
add_library(plenkit_windows STATIC
  src/toolkit/application.cpp
  src/toolkit/form.cpp
  src/toolkit/controls.cpp
  src/toolkit/locale_facts.cpp
  src/toolkit/dialogs.cpp
  src/toolkit/dropped_files.cpp
  src/toolkit/memo.cpp
  src/toolkit/layout.cpp
  src/toolkit/menus.cpp
  src/toolkit/list_view.cpp
  src/toolkit/common_dialogs.cpp
  src/toolkit/printing.cpp
  src/toolkit/dialog_controls.cpp
  src/toolkit/shell.cpp
  src/Trobixmain.cpp
  src/Trobixmain_help.cpp
  src/Trobixprog.cpp
  src/Trobixview.cpp
  src/Trobixlook.cpp
  src/Trobixvers.cpp
  src/listed_paths.cpp)
target_include_directories(plenkit_windows PUBLIC src)
target_link_libraries(plenkit_windows PUBLIC plenkit_archiver comctl32 shell32 ole32 msimg32
                      gdi32 user32 comdlg32)

# Icon and glyphs; the test programs carry them too, as the windows load
# them from the running program.
set(PLENKIT_RESOURCES ${CMAKE_SOURCE_DIR}/resources/Plenkit.rc)
file(GLOB pictures ${CMAKE_SOURCE_DIR}/resources/*.bmp ${CMAKE_SOURCE_DIR}/resources/*.ico)
set_source_files_properties(${PLENKIT_RESOURCES} PROPERTIES OBJECT_DEPENDS "${pictures}")

plenkit_version_resource(plenkit_version Plenkit.exe VFT_APP "Plenkit: lists and extracts archives")
add_executable(Plenkit WIN32 src/entry.cpp ${PLENKIT_RESOURCES} ${plenkit_version})
target_link_libraries(Plenkit PRIVATE plenkit_windows)
add_dependencies(Plenkit archivers)

# The help file, compiled from help/ and placed beside the program.
function(add_help_file target source_dir output)
  file(GLOB sources CONFIGURE_DEPENDS ${source_dir}/*)
  add_custom_command(OUTPUT ${output}
    COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/make_help.sh ${source_dir} ${output}
    DEPENDS ${sources} ${CMAKE_SOURCE_DIR}/scripts/make_help.sh VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
add_help_file(help_file ${CMAKE_SOURCE_DIR}/help ${CMAKE_BINARY_DIR}/out/Plenkit.chm)

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Test programs live apart from the archivers, so that each test decides
# which archiver libraries can be found.
set(test_dir ${CMAKE_BINARY_DIR}/tests)
function(add_wine_test name)
  add_executable(${name} ${ARGN})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${test_dir})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE GTest::gtest_main)
  # Wine reads a Unix path as relative to its drive; a relative one works.
  add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:results/${name}.xml
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# The tests' support, built once. What needs only the archiver layer: the
# sandboxes, the archives Debian's tools made, the boxes answered while an
# archiver runs, the Linux host behind Wine and the pages printed.
add_library(plenkit_test_support STATIC tests/win/test_support.cpp tests/win/real_archives.cpp
  tests/win/host_bridge.cpp tests/win/print_support.cpp)
target_include_directories(plenkit_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(plenkit_test_support PUBLIC plenkit_archiver PRIVATE GTest::gtest)
# What drives the windows: the application, its messages, keys and drops,
# screenshots, the dialogs answered from a second thread.
add_library(plenkit_window_test_support STATIC tests/win/window_support.cpp)
target_link_libraries(plenkit_window_test_support PUBLIC plenkit_test_support plenkit_windows)

include(${CMAKE_SOURCE_DIR}/tests/core/sources.cmake)
add_wine_test(core_tests ${CORE_TEST_SOURCES})
target_link_libraries(core_tests PRIVATE plenkit_core archivers_portable)

add_wine_test(archiver_tests tests/win/archiver_test.cpp tests/win/runner_test.cpp tests/win/real_archive_test.cpp
  tests/win/archiver_api_test.cpp tests/win/password_test.cpp)
target_link_libraries(archiver_tests PRIVATE plenkit_test_support)
add_dependencies(archiver_tests archivers)

add_wine_test(main_window_tests tests/win/main_window_test.cpp tests/win/toolbar_test.cpp
  tests/win/drop_test.cpp
  tests/win/tray_test.cpp
  tests/win/view_test.cpp
  tests/win/entry_actions_test.cpp
  tests/win/hostile_test.cpp
  tests/win/odd_paths_test.cpp
  tests/win/toolkit_test.cpp
  tests/win/vers_test.cpp
  tests/win/real_windows_test.cpp
  tests/win/safe_extraction_test.cpp ${PLENKIT_RESOURCES})
target_link_libraries(main_window_tests PRIVATE plenkit_window_test_support)
# The help tests run the program itself, with its help file and the help
# of someone else beside it.
add_help_file(other_help ${CMAKE_SOURCE_DIR}/tests/win/other_help ${test_dir}/other_help.chm)
add_dependencies(main_window_tests archivers Plenkit help_file other_help)

add_wine_test(viewer_tests tests/win/viewer_test.cpp tests/win/print_test.cpp ${PLENKIT_RESOURCES})
target_link_libraries(viewer_tests PRIVATE plenkit_window_test_support)

# Drives the released program from outside (scripts/check_package.sh).
add_executable(package_run tests/win/package_run.cpp)
set_target_properties(package_run PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${test_dir})
target_link_libraries(package_run PRIVATE plenkit_window_test_support)

add_executable(archiver_bench bench/archiver_bench.cpp)
target_link_libraries(archiver_bench PRIVATE plenkit_archiver)

add_executable(real_archive_bench bench/real_archive_bench.cpp)
target_link_libraries(real_archive_bench PRIVATE plenkit_test_support)
add_dependencies(real_archive_bench archivers)

# Mutated archives through the archivers (scripts/soak.sh).
add_executable(soak bench/soak.cpp)
target_link_libraries(soak PRIVATE plenkit_test_support)
add_dependencies(soak archivers)

add_executable(main_list_bench bench/main_list_bench.cpp ${PLENKIT_RESOURCES})
target_link_libraries(main_list_bench PRIVATE plenkit_windows)

add_executable(view_bench bench/view_bench.cpp bench/view_floor.cpp ${PLENKIT_RESOURCES})
target_link_libraries(view_bench PRIVATE plenkit_windows)

add_executable(viewer_bench bench/viewer_bench.cpp ${PLENKIT_RESOURCES})
target_link_libraries(viewer_bench PRIVATE plenkit_windows)
