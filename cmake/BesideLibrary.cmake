# On Windows a program finds its DLLs beside itself: copy the DLLs a program
# links next to it after each link, so it runs from the build tree (and
# under Wine) as it would from an install.
function(velmor_runtime_dlls_beside target)
  if(WIN32)
    add_custom_command(TARGET ${target} POST_BUILD
                       COMMAND ${CMAKE_COMMAND} -E copy_if_different
                               $<TARGET_RUNTIME_DLLS:${target}> $<TARGET_FILE_DIR:${target}>
                       COMMAND_EXPAND_LISTS)
  endif()
endfunction()
