# cmake -DGZIP=<gzip> -DINPUT=<file> -DOUTPUT=<file.gz> -P gzip-file.cmake
# Compresses INPUT at the highest level, without the name and time stamp
# that gzip would otherwise store, so the result depends on the bytes only.
execute_process(COMMAND ${GZIP} -9 -n -c ${INPUT}
                OUTPUT_FILE ${OUTPUT}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "gzip failed on ${INPUT}: ${status}")
endif()
