# SPDX-License-Identifier: GPL-3.0-or-later
# IN compressed into OUT as Debian wants its documentation: gzip -9, no name or time stored, so
# the same text always gives the same bytes.
#
#   cmake -DIN=file -DOUT=file.gz -DGZIP=gzip -P gzip_file.cmake
execute_process(COMMAND ${GZIP} -9n -c "${IN}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip ${IN} ended with ${status}")
endif()
