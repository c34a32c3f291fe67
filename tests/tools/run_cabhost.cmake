# Runs cabhost once with the settings of one test (PROGRAM, EMULATOR, ARGS,
# STATUS, EXPECT, FILES, written by add_cabhost_test) and fails the test on
# another exit status, a missing text or a missing file.
include(${SETTINGS})
foreach(file IN LISTS FILES)
    file(REMOVE ${file})
endforeach()
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGS}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
message("${output}${errors}")
if(NOT "${status}" STREQUAL "${STATUS}")
    message(FATAL_ERROR "cabhost ended with exit status ${status}, expected ${STATUS}")
endif()
foreach(pattern IN LISTS EXPECT)
    if(NOT "${output}${errors}" MATCHES "${pattern}")
        message(FATAL_ERROR "the output lacks: ${pattern}")
    endif()
endforeach()
foreach(file IN LISTS FILES)
    if(NOT EXISTS ${file})
        message(FATAL_ERROR "cabhost left no file ${file}")
    endif()
    # The trace's column names follow its '#' comment lines.
    file(STRINGS ${file} header LIMIT_COUNT 1 REGEX "^[^#]")
    if(NOT header MATCHES "^time_s,time_ms,")
        message(FATAL_ERROR "${file} does not start with the trace's header")
    endif()
endforeach()
