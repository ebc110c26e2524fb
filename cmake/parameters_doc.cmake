# Writes (MODE write) or checks (MODE check) docs/parameters.md against `brumo info --markdown`,
# so that the reference of the parameters is always the field tables' own.
#   cmake -DBRUMO_CLI=path/to/brumo -DDOC=docs/parameters.md -DMODE=write|check -P parameters_doc.cmake
execute_process(COMMAND ${BRUMO_CLI} info --markdown OUTPUT_VARIABLE text RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${BRUMO_CLI} info --markdown failed (${status})")
endif()
if(MODE STREQUAL "write")
  file(WRITE ${DOC} "${text}")
  return()
endif()
set(old "")
if(EXISTS ${DOC})
  file(READ ${DOC} old)
endif()
if(NOT old STREQUAL text)
  message(FATAL_ERROR "${DOC} is not what the field tables say; run "
                      "`cmake --build build --target parameters_doc` and commit the result")
endif()
