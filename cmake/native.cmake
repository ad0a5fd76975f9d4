# Native build: the platform-free core and the archivers' platform-free
# part with their tests, under AddressSanitizer and UndefinedBehaviorSanitizer.
include(${CMAKE_SOURCE_DIR}/archivers/sources.cmake)
if(PLENKIT_FUZZ)
  include(${CMAKE_SOURCE_DIR}/cmake/fuzz.cmake)
  return()
endif()

set(sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_compile_options(plenkit_core PRIVATE ${sanitize} -g)
# libarchive and bzip2 built natively, not instrumented.
add_archivers_portable(archivers_portable platform_posix.cpp native z ${sanitize} -g)

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

include(${CMAKE_SOURCE_DIR}/tests/core/sources.cmake)
add_executable(core_tests ${CORE_TEST_SOURCES})
target_compile_options(core_tests PRIVATE ${sanitize} -g)
target_link_options(core_tests PRIVATE ${sanitize})
target_link_libraries(core_tests PRIVATE plenkit_core archivers_portable GTest::gtest_main)
add_test(NAME core_tests COMMAND core_tests --gtest_output=xml:${CMAKE_BINARY_DIR}/results/core_tests.xml)
