# Native build: the platform-free core and its tests, under AddressSanitizer
# and UndefinedBehaviorSanitizer.

# The stand-in archivers' platform-free part: ARJ, and member names.
add_library(standin_core STATIC standins/real/lz.cpp standins/real/arj.cpp standins/real/paths.cpp)
target_include_directories(standin_core PUBLIC standins)

if(PLENKIT_FUZZ)
  include(${CMAKE_SOURCE_DIR}/cmake/fuzz.cmake)
  return()
endif()

set(sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
target_compile_options(plenkit_core PRIVATE ${sanitize} -g)
target_compile_options(standin_core PRIVATE ${sanitize} -g)

add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

include(${CMAKE_SOURCE_DIR}/tests/core/sources.cmake)
add_executable(core_tests ${CORE_TEST_SOURCES})
target_compile_options(core_tests PRIVATE ${sanitize} -g)
target_link_options(core_tests PRIVATE ${sanitize})
target_link_libraries(core_tests PRIVATE plenkit_core standin_core GTest::gtest_main)
add_test(NAME core_tests COMMAND core_tests --gtest_output=xml:${CMAKE_BINARY_DIR}/results/core_tests.xml)
