# Version resources. The version is the one the version dialog shows
# ("Version 1.01": 1.01, as 1,1,0,0).
file(STRINGS "${CMAKE_SOURCE_DIR}/resources/vers_layout.h" version_line REGEX "\"Version [0-9.]+\"")
string(REGEX REPLACE ".*\"Version ([0-9]+)\\.([0-9]+)\".*" "\\1.\\2" PLENKIT_VERSION "${version_line}")
string(REGEX REPLACE "([0-9]+)\\.0*([0-9]+)" "\\1,\\2,0,0" PLENKIT_VERSION_COMMAS "${PLENKIT_VERSION}")

# plenkit_version_resource(outVar fileName VFT_APP|VFT_DLL description):
# a .rc for one binary, its path in outVar.
function(plenkit_version_resource outVar fileName type description)
  set(VERSION_FILE "${fileName}")
  set(VERSION_TYPE "${type}")
  set(VERSION_DESCRIPTION "${description}")
  set(rc "${CMAKE_BINARY_DIR}/version/${outVar}.rc")
  configure_file("${CMAKE_SOURCE_DIR}/resources/version.rc.in" "${rc}" @ONLY)
  set(${outVar} "${rc}" PARENT_SCOPE)
endfunction()
