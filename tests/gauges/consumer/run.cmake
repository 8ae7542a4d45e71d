# Installs stdgauges into a scratch prefix, builds the consumer against it with
# find_package, and runs it. Invoked by CTest with -DBUILD_DIR, -DSOURCE_DIR, -DWORK_DIR;
# -DLOADABLE=path (below the prefix) also checks that a module installed there finds
# every library it needs without LD_LIBRARY_PATH, as Qt Designer must.
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
  message(FATAL_ERROR "install failed: ${rc}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build
  -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix -DCMAKE_BUILD_TYPE=Release
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc)
  message(FATAL_ERROR "configure failed: ${out}${err}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc)
  message(FATAL_ERROR "build failed: ${out}${err}")
endif()
if(LOADABLE)
  execute_process(COMMAND ldd ${WORK_DIR}/prefix/${LOADABLE} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(rc OR out MATCHES "not found")
    message(FATAL_ERROR "${LOADABLE} cannot be loaded from the prefix: ${out}${err}")
  endif()
endif()
set(ENV{QT_QPA_PLATFORM} offscreen)
set(ENV{LD_LIBRARY_PATH} "${WORK_DIR}/prefix/lib:${WORK_DIR}/prefix/lib/x86_64-linux-gnu:$ENV{LD_LIBRARY_PATH}")
execute_process(COMMAND ${WORK_DIR}/build/consumer RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc)
  message(FATAL_ERROR "consumer failed (${rc}): ${out}${err}")
endif()
message(STATUS "${out}")
