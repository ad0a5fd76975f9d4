# The archivers' platform-free part: the formats' readers, the codecs and
# the name rules. One list for the three builds that compile it: the DLLs,
# the native tests under the sanitizers and the fuzz targets. Each adds the
# platform's conversions (names/platform_win.cpp or names/platform_posix.cpp)
# and links libarchive (with liblzma, libzstd and bzip2) built for itself,
# with zlib.
set(ARCHIVERS_DIR ${CMAKE_CURRENT_LIST_DIR})
set(ARCHIVERS_PORTABLE_SOURCES
  ${ARCHIVERS_DIR}/codecs/aes.cpp
  ${ARCHIVERS_DIR}/codecs/arj_fast.cpp
  ${ARCHIVERS_DIR}/codecs/arj_methods.cpp
  ${ARCHIVERS_DIR}/codecs/bzip2.cpp
  ${ARCHIVERS_DIR}/codecs/checksums.cpp
  ${ARCHIVERS_DIR}/codecs/crc32.cpp
  ${ARCHIVERS_DIR}/codecs/deflate64.cpp
  ${ARCHIVERS_DIR}/codecs/gzip_member.cpp
  ${ARCHIVERS_DIR}/codecs/implode.cpp
  ${ARCHIVERS_DIR}/codecs/larc.cpp
  ${ARCHIVERS_DIR}/codecs/lzh_methods.cpp
  ${ARCHIVERS_DIR}/codecs/lzhuf.cpp
  ${ARCHIVERS_DIR}/codecs/pmarc.cpp
  ${ARCHIVERS_DIR}/codecs/quantum.cpp
  ${ARCHIVERS_DIR}/codecs/reduce.cpp
  ${ARCHIVERS_DIR}/codecs/shrink.cpp
  ${ARCHIVERS_DIR}/codecs/static_huffman.cpp
  ${ARCHIVERS_DIR}/codecs/stored.cpp
  ${ARCHIVERS_DIR}/codecs/zip_methods.cpp
  ${ARCHIVERS_DIR}/formats/arj_headers.cpp
  ${ARCHIVERS_DIR}/formats/arj_reader.cpp
  ${ARCHIVERS_DIR}/formats/bga_headers.cpp
  ${ARCHIVERS_DIR}/formats/bga_reader.cpp
  ${ARCHIVERS_DIR}/formats/cab_folders.cpp
  ${ARCHIVERS_DIR}/formats/libarchive_reader.cpp
  ${ARCHIVERS_DIR}/formats/lzh_headers.cpp
  ${ARCHIVERS_DIR}/formats/lzh_reader.cpp
  ${ARCHIVERS_DIR}/formats/member_times.cpp
  ${ARCHIVERS_DIR}/formats/rar_headers.cpp
  ${ARCHIVERS_DIR}/formats/registry.cpp
  ${ARCHIVERS_DIR}/formats/zip_directory.cpp
  ${ARCHIVERS_DIR}/names/member_names.cpp
  ${ARCHIVERS_DIR}/names/paths.cpp)

# add_archivers_portable(target platformSource build zlib [compile options...]):
# the portable part as a static library of its own, over the libarchive,
# liblzma, libzstd and bzip2 that the scripts of each built as `build` (a
# MinGW triple, native or fuzz) into .cache.
function(add_archivers_portable target platformSource build zlib)
  set(cache "${PROJECT_SOURCE_DIR}/.cache")
  set(libraries libarchive/${build}/libarchive.a xz/${build}/liblzma.a zstd/${build}/libzstd.a bzip2/${build}/libbz2.a)
  foreach(library ${libraries})
    if(NOT EXISTS "${cache}/${library}")
      message(FATAL_ERROR "${cache}/${library} is missing: run scripts/build.sh, which builds it")
    endif()
  endforeach()
  add_library(${target} STATIC ${ARCHIVERS_PORTABLE_SOURCES} ${ARCHIVERS_DIR}/names/${platformSource})
  target_include_directories(${target} PUBLIC ${ARCHIVERS_DIR})
  target_include_directories(${target} SYSTEM PRIVATE "${cache}/libarchive/src/libarchive")
  # bzlib.h for its users too: the tests make their bzip2 streams with it.
  target_include_directories(${target} SYSTEM PUBLIC "${cache}/bzip2/src")
  target_compile_definitions(${target} PRIVATE LIBARCHIVE_STATIC)
  target_compile_options(${target} PRIVATE ${ARGN})
  list(TRANSFORM libraries PREPEND "${cache}/")
  target_link_libraries(${target} PUBLIC ${libraries} "${zlib}")
endfunction()
