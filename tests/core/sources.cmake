# The core's tests: the same sources run natively and under Wine. They
# cover the archivers' platform-free part too (archivers/sources.cmake).
set(CORE_TEST_SOURCES
  ${CMAKE_SOURCE_DIR}/tests/core/sjis_path_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/number_text_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/settings_value_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/command_args_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/kinds_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/command_line_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/entry_record_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/text_entry_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/line_breaks_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/member_names_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/aes_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/bit_reader_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/bzip2_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/checksums_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/deflate64_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/legacy_zip_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/lzh_paths_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/pmarc_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/core/zip_listing_test.cpp)
