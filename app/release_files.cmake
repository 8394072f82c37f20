# What ships beside the program, in the program's folder of the build tree:
#   LICENSE.txt              the project's licence
#   THIRD-PARTY-NOTICES.txt  every component built into the program, with its version and
#                            licence texts: the pinned libraries and zlib as the set-up took them
#                            from their packages, and the toolchain's runtime that -static links
#   README.txt               for users: what the program does, installing and removing it
# The notices and README.txt name the version in VERSION. All three hold Chinese text: they
# have a UTF-8 byte order mark (without one, older Notepad reads them in the ANSI code page)
# and Windows line ends (Notepad before Windows 10 shows a text without them on one line).
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION TAVI_VERSION LIMIT_COUNT 1)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)

function(_tavi_write_windows_text file text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  string(ASCII 239 187 191 bom)
  file(WRITE ${file} "${bom}${text}")
endfunction()

# The notices, headed by the list of what they cover. Each notice's first line names the
# component, its version and the package it comes from. (Texts are never CMake lists: licence
# texts hold semicolons.)
set(_notice_headings "")
set(_notice_texts "")
function(_tavi_add_notice notice)
  string(REGEX MATCH "^[^\n]*" heading "${notice}")
  set(_notice_headings "${_notice_headings}  ${heading}\n" PARENT_SCOPE)
  set(_notice_texts "${_notice_texts}--------------------------------------------------------------------------------\n\n${notice}\n"
      PARENT_SCOPE)
endfunction()

foreach(package ${TAVI_LIBS_PACKAGES} zlib)
  file(READ ${TAVI_LIBS_DIR}/notices/${package} notice)
  _tavi_add_notice("${notice}")
endforeach()

# The toolchain's runtime: its heading names the Debian packages whose files are linked (the
# notices test finds the owner of every linked file by them), its text is their copyright
# file, and for GCC's libraries also the licence that file refers to.
string(REPLACE "_" "-" _arch ${CMAKE_SYSTEM_PROCESSOR})
# Each component: "name|packages|what follows the version|licence file".
foreach(component
    "MinGW-w64 runtime and winpthreads|mingw-w64-${_arch}-dev||"
    "libgcc and libstdc++|gcc-mingw-w64-${_arch}-posix,g++-mingw-w64-${_arch}-posix|, under the GCC Runtime Library Exception|/usr/share/common-licenses/GPL-3")
  string(REPLACE "|" ";" component "${component}")
  list(GET component 0 name)
  list(GET component 1 packages)
  list(GET component 2 terms)
  list(GET component 3 licence)
  string(REGEX REPLACE ",.*" "" package ${packages})
  execute_process(COMMAND dpkg-query -W -f=\${Version} ${package}
                  OUTPUT_VARIABLE version COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX REPLACE "^([0-9]+:)?([^-+~]+).*" "\\2" upstream "${version}")
  set(plural "")
  if(packages MATCHES ",")
    set(plural "s")
  endif()
  string(REPLACE "," ", " packages "${packages}")
  file(READ /usr/share/doc/${package}/copyright text)
  if(licence)
    file(READ ${licence} licence_text)
    string(APPEND text "\n${licence_text}")
  endif()
  _tavi_add_notice("${name} ${upstream}${terms} (Debian package${plural} ${packages} ${version})\n\n${text}")
endforeach()

_tavi_write_windows_text(${CMAKE_CURRENT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt
  "Tavi图片查看器 ${TAVI_VERSION}: the components built into the program\n\n${_notice_headings}\n${_notice_texts}")

file(READ ${CMAKE_SOURCE_DIR}/LICENSE licence)
_tavi_write_windows_text(${CMAKE_CURRENT_BINARY_DIR}/LICENSE.txt "${licence}")
file(READ ${CMAKE_CURRENT_LIST_DIR}/README.txt.in readme)
string(CONFIGURE "${readme}" readme @ONLY)
_tavi_write_windows_text(${CMAKE_CURRENT_BINARY_DIR}/README.txt "${readme}")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/LICENSE
             ${CMAKE_CURRENT_LIST_DIR}/README.txt.in)
