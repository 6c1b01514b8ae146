# Runs "stepdown --report" as a process and checks its exit status, its
# standard error and, when TEXTS is given, the report it wrote: a PDF read
# back through its text layer by pdftotext, or HTML as it is. Arguments
# (-D): PROGRAM; ARGS, its words separated by "|"; STATUS; STDERR, the
# standard error expected (nothing given: empty); OUTPUT, the report's path;
# TEXTS, the texts it must hold, separated by "|".
string(REPLACE "|" ";" words "${ARGS}")
if(DEFINED OUTPUT)
  file(REMOVE "${OUTPUT}")
endif()
execute_process(COMMAND "${PROGRAM}" ${words}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(failures "")
if(NOT status STREQUAL STATUS)
  string(APPEND failures "exit status ${status}, expected ${STATUS}\n")
endif()
if(NOT err STREQUAL "${STDERR}")
  string(APPEND failures "standard error:\n${err}\nexpected:\n${STDERR}\n")
endif()
if(DEFINED TEXTS)
  if(OUTPUT MATCHES "[.]html$")
    file(READ "${OUTPUT}" report)
  else()
    find_program(PDFTOTEXT pdftotext REQUIRED)
    execute_process(COMMAND "${PDFTOTEXT}" -layout "${OUTPUT}" -
                    RESULT_VARIABLE read OUTPUT_VARIABLE report)
    if(NOT read EQUAL 0)
      string(APPEND failures "pdftotext could not read ${OUTPUT}\n")
    endif()
  endif()
  string(REPLACE "|" ";" texts "${TEXTS}")
  foreach(text IN LISTS texts)
    string(FIND "${report}" "${text}" at)
    if(at EQUAL -1)
      string(APPEND failures "the report lacks \"${text}\"\n")
    endif()
  endforeach()
endif()
if(failures)
  message(FATAL_ERROR "${failures}")
endif()
