# The access setup script installs the udev rule into the folder it is
# given, and its check mode tells a missing rule from an installed one.
# Inputs: SCRIPT, DIR.
file(REMOVE_RECURSE ${DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -E env VELMOR_UDEV_RULES_DIR=${DIR} ${SCRIPT} --check
                RESULT_VARIABLE status OUTPUT_VARIABLE out)
if(status EQUAL 0 OR NOT out MATCHES "udev rule: missing")
  message(FATAL_ERROR "check mode did not report the missing rule (${status}):\n${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env VELMOR_UDEV_RULES_DIR=${DIR} ${SCRIPT}
                OUTPUT_VARIABLE out)
if(NOT EXISTS ${DIR}/70-velmor-camera.rules)
  message(FATAL_ERROR "the rule was not installed:\n${out}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env VELMOR_UDEV_RULES_DIR=${DIR} ${SCRIPT} --check
                OUTPUT_VARIABLE out)
if(NOT out MATCHES "udev rule: installed")
  message(FATAL_ERROR "check mode did not see the installed rule:\n${out}")
endif()
execute_process(COMMAND ${SCRIPT} --bogus RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 2 OR NOT err MATCHES "--bogus")
  message(FATAL_ERROR "a wrong argument must be named and exit 2 (${status}): ${err}")
endif()
