# Reads the export list into EXPORT_NAMES (sorted).
file(STRINGS ${EXPORTS} lines REGEX "^Velmor_")
set(EXPORT_NAMES)
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  list(APPEND EXPORT_NAMES ${line})
endforeach()
list(SORT EXPORT_NAMES)
