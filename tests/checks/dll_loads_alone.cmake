# A host program runs in a fresh process with nothing but the DLL beside it:
# no mingw runtime, no build tree on the search path.
file(REMOVE_RECURSE ${DIRECTORY})
file(MAKE_DIRECTORY ${DIRECTORY})
file(COPY ${LIBRARY} ${PROGRAM} DESTINATION ${DIRECTORY})
get_filename_component(program_name ${PROGRAM} NAME)
execute_process(COMMAND ${EMULATOR} ${DIRECTORY}/${program_name} WORKING_DIRECTORY ${DIRECTORY}
                OUTPUT_VARIABLE output ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${program_name} beside the DLL alone exited with ${status}\n"
                      "${output}${errors}")
endif()
if(NOT output MATCHES "library version 0x021E0521")
  message(FATAL_ERROR "unexpected output of ${program_name}:\n${output}${errors}")
endif()
