# The fuzz build (PLENKIT_FUZZ, with clang): the platform-free core under
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, one program
# per target. scripts/fuzz.sh runs them.
set(fuzz_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
target_compile_options(plenkit_core PRIVATE ${fuzz_flags} -fsanitize=fuzzer-no-link)
target_compile_options(standin_core PRIVATE ${fuzz_flags} -fsanitize=fuzzer-no-link)

# The archivers' readers as the DLLs use them, on bytes in memory: the
# headers of their own and libarchive built natively from the same source
# (scripts/libarchive.sh fuzz).
set(LIBARCHIVE_DIR "${CMAKE_SOURCE_DIR}/.cache/libarchive")
add_library(standin_readers STATIC standins/real/library_reader.cpp standins/real/packed_sizes.cpp
  standins/real/rar_headers.cpp standins/real/arj_reader.cpp standins/real/lzh.cpp standins/real/lzh_reader.cpp standins/real/names.cpp
  standins/real/platform_posix.cpp)
target_compile_options(standin_readers PRIVATE ${fuzz_flags} -fsanitize=fuzzer-no-link)
target_include_directories(standin_readers PUBLIC standins)
target_include_directories(standin_readers SYSTEM PRIVATE "${LIBARCHIVE_DIR}/src/libarchive")
target_compile_definitions(standin_readers PRIVATE LIBARCHIVE_STATIC)
target_link_libraries(standin_readers PUBLIC standin_core "${LIBARCHIVE_DIR}/fuzz/libarchive.a" z)

set(PLENKIT_FUZZ_TARGETS sjis_path settings_value command_args entry_record number_text arj archive_reader
    archive_headers)
foreach(name ${PLENKIT_FUZZ_TARGETS})
  add_executable(${name}_fuzz ${CMAKE_SOURCE_DIR}/tests/fuzz/${name}_fuzz.cpp)
  target_compile_options(${name}_fuzz PRIVATE ${fuzz_flags} -fsanitize=fuzzer)
  target_link_options(${name}_fuzz PRIVATE ${fuzz_flags} -fsanitize=fuzzer)
  target_link_libraries(${name}_fuzz PRIVATE plenkit_core standin_readers)
endforeach()
