# Installs the build into a staging folder and builds the version example
# against it twice, as hosts do: through pkg-config and through
# find_package(Velmor). Each program must run.
# Inputs: BUILD_DIR, STAGE, EXAMPLE (a C source), C_COMPILER, PKG_CONFIG.
file(REMOVE_RECURSE ${STAGE})

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

# DESTDIR keeps the absolute udev rule folder inside the stage too.
run(${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr)
if(NOT EXISTS ${STAGE}/etc/udev/rules.d/70-velmor-camera.rules)
  message(FATAL_ERROR "the udev rule was not staged")
endif()
file(GLOB_RECURSE pc_files ${STAGE}/usr/*/velmor.pc)
list(LENGTH pc_files pc_count)
if(NOT pc_count EQUAL 1)
  message(FATAL_ERROR "expected one velmor.pc in the staged install, found: ${pc_files}")
endif()
get_filename_component(pc_dir ${pc_files} DIRECTORY)
get_filename_component(lib_dir ${pc_dir} DIRECTORY)
foreach(name libVelmorSdk_S10PX.so libVelmorSdk_S10PX.so.1 bin/velmor include/velmor/velmor.h)
  if(name MATCHES "^lib")
    set(path ${lib_dir}/${name})
  else()
    set(path ${STAGE}/usr/${name})
  endif()
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()

# pkg-config
run(${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${pc_dir} ${PKG_CONFIG} --cflags --libs velmor)
string(STRIP "${output}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${C_COMPILER} ${EXAMPLE} ${flags} -o ${STAGE}/host_pkgconfig)
run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${lib_dir} ${STAGE}/host_pkgconfig)

# CMake package
get_filename_component(checks_dir ${CMAKE_SCRIPT_MODE_FILE} DIRECTORY)
run(${CMAKE_COMMAND} -S ${checks_dir}/consumer -B ${STAGE}/consumer-build
    -DCMAKE_PREFIX_PATH=${STAGE}/usr -DEXAMPLE=${EXAMPLE} -DCMAKE_C_COMPILER=${C_COMPILER})
run(${CMAKE_COMMAND} --build ${STAGE}/consumer-build)
run(${STAGE}/consumer-build/consumer)
