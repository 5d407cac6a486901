# cmake -DFONT_SOURCE=... -DLICENSE_SOURCE=... -DOUTPUT=... -DFONT=... -P FontLicence.cmake
# The licence that an install puts beside its font link. The build folder has
# a copy of the font and a note saying so; an install only links to the font
# package's file, and its note must say that instead.

if(NOT EXISTS "${LICENSE_SOURCE}")
  message(FATAL_ERROR
    "The licence of the DotGothic16 font, ${LICENSE_SOURCE}, is missing.\n"
    "Install it with:  sudo apt-get install fonts-dotgothic16")
endif()

file(READ "${LICENSE_SOURCE}" licence_text)
file(WRITE "${OUTPUT}"
  "${FONT} in this folder is a link to the font DotGothic16 Regular,\n"
  "${FONT_SOURCE}, installed by the Debian package fonts-dotgothic16.\n"
  "Its copyright notice and licence (SIL Open Font License 1.1) follow,\n"
  "as shipped with it in ${LICENSE_SOURCE}.\n"
  "\n"
  "${licence_text}")
