# Every function the header declares with VELMOR_API is in the export list,
# and nothing else is.
include(${CMAKE_CURRENT_LIST_DIR}/read_exports.cmake)
file(READ ${HEADER} header)
string(REGEX MATCHALL "VELMOR_API[^;(]*[ *](Velmor_[A-Za-z0-9_]+)[ ]*\\(" declarations "${header}")
set(declared)
foreach(declaration IN LISTS declarations)
  string(REGEX MATCH "Velmor_[A-Za-z0-9_]+" name "${declaration}")
  list(APPEND declared ${name})
endforeach()
list(SORT declared)
list(REMOVE_DUPLICATES declared)
if(NOT declared STREQUAL EXPORT_NAMES)
  set(missing ${declared})
  list(REMOVE_ITEM missing ${EXPORT_NAMES})
  set(extra ${EXPORT_NAMES})
  list(REMOVE_ITEM extra ${declared})
  message(FATAL_ERROR "header and export list differ\n"
                      "  declared but not exported: ${missing}\n"
                      "  exported but not declared: ${extra}")
endif()
list(LENGTH declared count)
message(STATUS "${count} exports match the header")
