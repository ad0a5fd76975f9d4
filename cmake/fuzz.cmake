# The fuzz build (PLENKIT_FUZZ, with clang): the platform-free core and the
# archivers' readers under libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, one program per target, the readers over
# libarchive built natively from the same source (scripts/libarchive.sh
# fuzz). scripts/fuzz.sh runs them.
set(fuzz_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g)
target_compile_options(plenkit_core PRIVATE ${fuzz_flags} -fsanitize=fuzzer-no-link)
add_archivers_portable(archivers_portable platform_posix.cpp fuzz z ${fuzz_flags}
                       -fsanitize=fuzzer-no-link)

set(PLENKIT_FUZZ_TARGETS sjis_path settings_value command_args entry_record number_text arj deflate64 legacy_zip pmarc
    quantum bzip2
    bga archive_reader archive_headers)
foreach(name ${PLENKIT_FUZZ_TARGETS})
  add_executable(${name}_fuzz ${CMAKE_SOURCE_DIR}/tests/fuzz/${name}_fuzz.cpp)
  target_compile_options(${name}_fuzz PRIVATE ${fuzz_flags} -fsanitize=fuzzer)
  target_link_options(${name}_fuzz PRIVATE ${fuzz_flags} -fsanitize=fuzzer)
  target_link_libraries(${name}_fuzz PRIVATE plenkit_core archivers_portable)
endforeach()
