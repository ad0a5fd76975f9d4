# The archivers' platform-free part: the formats' readers, the codecs and
# the name rules. One list for the three builds that compile it: the DLLs,
# the native tests under the sanitizers and the fuzz targets. Each adds the
# platform's conversions (names/platform_win.cpp or names/platform_posix.cpp)
# and links libarchive built for itself, with zlib.
set(ARCHIVERS_DIR ${CMAKE_CURRENT_LIST_DIR})
set(ARCHIVERS_PORTABLE_SOURCES
  ${ARCHIVERS_DIR}/codecs/arj_fast.cpp
  ${ARCHIVERS_DIR}/codecs/arj_methods.cpp
  ${ARCHIVERS_DIR}/codecs/checksums.cpp
  ${ARCHIVERS_DIR}/codecs/larc.cpp
  ${ARCHIVERS_DIR}/codecs/lzh_methods.cpp
  ${ARCHIVERS_DIR}/codecs/lzhuf.cpp
  ${ARCHIVERS_DIR}/codecs/static_huffman.cpp
  ${ARCHIVERS_DIR}/codecs/stored.cpp
  ${ARCHIVERS_DIR}/formats/arj_headers.cpp
  ${ARCHIVERS_DIR}/formats/arj_reader.cpp
  ${ARCHIVERS_DIR}/formats/cab_folders.cpp
  ${ARCHIVERS_DIR}/formats/directory.cpp
  ${ARCHIVERS_DIR}/formats/libarchive_reader.cpp
  ${ARCHIVERS_DIR}/formats/lzh_headers.cpp
  ${ARCHIVERS_DIR}/formats/lzh_reader.cpp
  ${ARCHIVERS_DIR}/formats/member_times.cpp
  ${ARCHIVERS_DIR}/formats/rar_headers.cpp
  ${ARCHIVERS_DIR}/formats/registry.cpp
  ${ARCHIVERS_DIR}/formats/zip_directory.cpp
  ${ARCHIVERS_DIR}/names/member_names.cpp
  ${ARCHIVERS_DIR}/names/paths.cpp)

# add_archivers_portable(target platformSource libarchiveLibrary zlib [compile options...]):
# the portable part as a static library of its own, over `libarchiveLibrary`.
function(add_archivers_portable target platformSource libarchiveLibrary zlib)
  add_library(${target} STATIC ${ARCHIVERS_PORTABLE_SOURCES} ${ARCHIVERS_DIR}/names/${platformSource})
  target_include_directories(${target} PUBLIC ${ARCHIVERS_DIR})
  target_include_directories(${target} SYSTEM PRIVATE "${PROJECT_SOURCE_DIR}/.cache/libarchive/src/libarchive")
  target_compile_definitions(${target} PRIVATE LIBARCHIVE_STATIC)
  target_compile_options(${target} PRIVATE ${ARGN})
  target_link_libraries(${target} PUBLIC "${libarchiveLibrary}" "${zlib}")
endfunction()
