# SPDX-License-Identifier: MIT
# Runs make_media into WORK_DIR and compares each file with the one in MEDIA_DIR.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND "${MAKE_MEDIA}" "${WORK_DIR}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "make_media failed: ${result}")
endif()
foreach(name click.wav logo.bmp icon.bmp)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK_DIR}/${name}" "${MEDIA_DIR}/${name}"
                  RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    message(FATAL_ERROR "${name}: make_media's output differs from media/${name}")
  endif()
  message(STATUS "${name}: identical")
endforeach()
