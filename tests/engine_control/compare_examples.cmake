# Runs make_examples into OUTPUT and compares each movie with the one in
# EXPECTED, byte for byte.
file(REMOVE_RECURSE ${OUTPUT})
execute_process(COMMAND ${GENERATOR} ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_examples failed: ${result}")
endif()
file(GLOB movies RELATIVE ${OUTPUT} ${OUTPUT}/*.swf)
if(NOT movies)
  message(FATAL_ERROR "make_examples wrote no movie")
endif()
foreach(movie ${movies})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT}/${movie} ${EXPECTED}/${movie}
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "examples/${movie} is not what make_examples writes now: run examples/make_examples.sh")
  endif()
endforeach()
message(STATUS "${movies}: current")
