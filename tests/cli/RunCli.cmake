# Runs stepdown-cli as a process and checks its exit status and both output
# streams. Arguments (-D): CLI, the executable; ARGS, its words separated by
# "|"; STATUS, the expected exit status; STDOUT or STDOUT_FILE, the expected
# standard output, and STDERR or STDERR_FILE, the expected standard error
# (nothing given: empty).
string(REPLACE "|" ";" words "${ARGS}")
execute_process(COMMAND "${CLI}" ${words}
                RESULT_VARIABLE status
                OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
foreach(stream STDOUT STDERR)
  if(DEFINED ${stream}_FILE)
    file(READ "${${stream}_FILE}" expected_${stream})
  else()
    set(expected_${stream} "${${stream}}")
  endif()
endforeach()
set(failures "")
if(NOT status STREQUAL STATUS)
  string(APPEND failures "exit status ${status}, expected ${STATUS}\n")
endif()
if(NOT out STREQUAL expected_STDOUT)
  string(APPEND failures "standard output:\n${out}\nexpected:\n${expected_STDOUT}\n")
endif()
if(NOT err STREQUAL expected_STDERR)
  string(APPEND failures "standard error:\n${err}\nexpected:\n${expected_STDERR}\n")
endif()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
