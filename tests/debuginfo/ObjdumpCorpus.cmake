# Runs objdump into a listing file (a build step of debuginfo_tests).
#   -DOBJDUMP=... -DINPUT=... -DOUTPUT=... [-DRAW=ON]
set(arguments -d -w -z -M intel)
if(RAW)
  set(arguments -D -w -z -b binary -m i386 -M intel)
endif()
execute_process(COMMAND ${OBJDUMP} ${arguments} ${INPUT}
                OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "objdump failed on ${INPUT}: ${result}")
endif()
