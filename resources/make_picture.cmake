# cmake -D VELMORA=exe -D MAKE_DATA=exe -D PICTURE=config.png -D BITMAP=config.bmp
#       -D CONFIG_HOME=dir -P make_picture.cmake
#
# Renders the configuration dialog's picture, a 256 x 256 snapshot of the
# scene, beside the data, and bitmap 138 of the Windows resources from it.
# A build that cannot render is not a failed build: the dialog then renders
# the picture itself on first use.
file(MAKE_DIRECTORY "${CONFIG_HOME}")
set(part "${PICTURE}.part.png")
file(REMOVE "${part}")
# An empty settings folder, so that no "install" record of the builder's own
# settings points the snapshot at other data.
# In a sanitizer build the GL driver's own leaks would fail the render; the
# picture is what this step is for, the tests check for leaks.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env XDG_CONFIG_HOME=${CONFIG_HOME} ASAN_OPTIONS=detect_leaks=0
          "${VELMORA}" --snapshot "${part}" --size 256x256
  RESULT_VARIABLE rendered
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output
  TIMEOUT 300)
if(NOT rendered EQUAL 0 OR NOT EXISTS "${part}")
  file(REMOVE "${part}")
  string(STRIP "${output}" output)
  message(STATUS "The dialog picture could not be rendered now (${rendered}: ${output}); "
                 "the dialog renders it on first use.")
  return()
endif()
file(RENAME "${part}" "${PICTURE}")
execute_process(COMMAND "${MAKE_DATA}" --bitmap "${PICTURE}" "${BITMAP}" RESULT_VARIABLE converted)
if(NOT converted EQUAL 0)
  message(STATUS "Bitmap 138 could not be made from ${PICTURE}.")
endif()
