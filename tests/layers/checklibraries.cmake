# cmake -DPROGRAM=... -DFORBIDDEN=a;b -DREQUIRED=c -P checklibraries.cmake
# Fails when the program needs a shared library whose name holds one of the
# FORBIDDEN texts, or none whose name holds one of the REQUIRED ones (which
# shows that the libraries it needs are read at all).
execute_process(COMMAND ldd ${PROGRAM} OUTPUT_VARIABLE needed ERROR_VARIABLE error RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "ldd ${PROGRAM} failed: ${error}")
endif()
foreach(name IN LISTS FORBIDDEN)
    string(FIND "${needed}" "${name}" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "${PROGRAM} needs ${name}:\n${needed}")
    endif()
endforeach()
foreach(name IN LISTS REQUIRED)
    string(FIND "${needed}" "${name}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${PROGRAM} does not need ${name}, so the check reads nothing:\n${needed}")
    endif()
endforeach()
message(STATUS "${PROGRAM}: none of ${FORBIDDEN}")
