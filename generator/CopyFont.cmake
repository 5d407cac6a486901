# cmake -DFONT_SOURCE=... -DLICENSE_SOURCE=... -DFONT=... -DLICENCE=... -P CopyFont.cmake
# Puts the game's font and its licence, under the names the game folder gives them.

foreach(source IN ITEMS "${FONT_SOURCE}" "${LICENSE_SOURCE}")
  if(NOT EXISTS "${source}")
    message(FATAL_ERROR
      "Quadrabash needs the DotGothic16 pixel font, but ${source} is missing.\n"
      "Install it with:  sudo apt-get install fonts-dotgothic16\n"
      "or point QB_FONT_SOURCE and QB_FONT_LICENSE_SOURCE at the font and its licence.")
  endif()
endforeach()

get_filename_component(font_name "${FONT}" NAME)

execute_process(COMMAND "${CMAKE_COMMAND}" -E copy "${FONT_SOURCE}" "${FONT}"
                RESULT_VARIABLE copied)
if(NOT copied EQUAL 0)
  message(FATAL_ERROR "Could not copy ${FONT_SOURCE} to ${FONT}")
endif()
# The copy may keep the package's old time stamp; the build must see it as new.
file(TOUCH "${FONT}")

file(READ "${LICENSE_SOURCE}" licence_text)
get_filename_component(font_file_name "${FONT_SOURCE}" NAME)
file(WRITE "${LICENCE}"
  "${font_name} is the font DotGothic16 Regular (${font_file_name}),\n"
  "copied unmodified and only renamed to the file name the game opens.\n"
  "Its copyright notice and licence (SIL Open Font License 1.1) follow,\n"
  "as shipped with it in ${LICENSE_SOURCE}.\n"
  "\n"
  "${licence_text}")
