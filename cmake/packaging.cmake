# The two downloads of the 32-bit program, made by CPack: a portable zip and a
# per-user installer. `cmake --build --preset win32 --target package` (or
# scripts/package.sh) writes both into build/package/.
set(QUISTREL_PACKAGE_DIR "${PROJECT_SOURCE_DIR}/build/package" CACHE PATH
    "Folder the zip and the installer are written to")

# The installer's icon is the program's own, wherever src/ keeps it.
file(GLOB_RECURSE QUISTREL_PROGRAM_ICON "${PROJECT_SOURCE_DIR}/src/quistrel.ico")
list(LENGTH QUISTREL_PROGRAM_ICON icon_count)
if(NOT icon_count EQUAL 1)
  message(FATAL_ERROR "Expected one quistrel.ico under src/, found: ${QUISTREL_PROGRAM_ICON}")
endif()

if(NOT WIN32)
  return()
endif()
# The downloads hold the 32-bit program. The 64-bit build makes the same two
# packages of its own program, for machines that run only 64-bit Windows
# programs, where the tests install that one.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(package_architecture win64)
  set(nsis_target "Target amd64-unicode")
else()
  set(package_architecture win32)
  set(nsis_target "")
endif()

# Two builds of one commit give the same executable: no link time in its
# header, and no symbol table (the user's download has no use for it).
target_link_options(Quistrel PRIVATE -s LINKER:--no-insert-timestamp)

set(program_exe "Quistrel${CMAKE_EXECUTABLE_SUFFIX}")
set(package_texts "${CMAKE_CURRENT_BINARY_DIR}/package-texts")

# Readme.txt is read in Notepad on Japanese Windows: code page 932, CRLF.
# iconv fails the build on a character that code page 932 does not have, and
# the way back catches those it only approximates (〜 becomes ～, ¥ becomes \).
find_program(ICONV_EXECUTABLE iconv REQUIRED)
configure_file("${PROJECT_SOURCE_DIR}/packaging/Readme.txt.in" "${package_texts}/Readme.utf8.txt"
               @ONLY NEWLINE_STYLE CRLF)
configure_file("${PROJECT_SOURCE_DIR}/LICENSE" "${package_texts}/License.txt" @ONLY NEWLINE_STYLE CRLF)
add_custom_command(
  OUTPUT "${package_texts}/Readme.txt"
  COMMAND "${ICONV_EXECUTABLE}" -f UTF-8 -t CP932 -o Readme.txt.part Readme.utf8.txt
  COMMAND "${ICONV_EXECUTABLE}" -f CP932 -t UTF-8 -o Readme.back.txt Readme.txt.part
  COMMAND "${CMAKE_COMMAND}" -E compare_files Readme.utf8.txt Readme.back.txt
  COMMAND "${CMAKE_COMMAND}" -E rename Readme.txt.part Readme.txt
  DEPENDS "${package_texts}/Readme.utf8.txt"
  WORKING_DIRECTORY "${package_texts}"
  COMMENT "Converting Readme.txt to code page 932"
  VERBATIM)
add_custom_target(quistrel_readme ALL DEPENDS "${package_texts}/Readme.txt")

install(TARGETS Quistrel RUNTIME DESTINATION .)
install(FILES "${package_texts}/Readme.txt" "${package_texts}/License.txt" DESTINATION .)

set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME Mallowquist)
set(CPACK_PACKAGE_VENDOR Mallowquist)
set(CPACK_PACKAGE_FILE_NAME "Mallowquist-${PROJECT_VERSION}-${package_architecture}")
set(CPACK_OUTPUT_FILE_PREFIX "${QUISTREL_PACKAGE_DIR}")
# The zip unpacks its files where the user puts it, not into a folder of its own.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_RESOURCE_FILE_LICENSE "${package_texts}/License.txt")

# CPack's own NSIS template installs for all users behind an administrator
# prompt; packaging/NSIS.template.in installs for the user alone.
set(CPACK_MODULE_PATH "${PROJECT_SOURCE_DIR}/packaging")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Mallowquist)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Mallowquist)
set(CPACK_NSIS_INSTALL_ROOT "$LOCALAPPDATA\\Programs")
set(CPACK_NSIS_PACKAGE_NAME Mallowquist)
set(CPACK_NSIS_DISPLAY_NAME Mallowquist)
set(CPACK_NSIS_INSTALLED_ICON_NAME "${program_exe}")
set(CPACK_NSIS_MUI_ICON "${QUISTREL_PROGRAM_ICON}")
set(CPACK_NSIS_MUI_UNIICON "${QUISTREL_PROGRAM_ICON}")
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# What the installer must know of the program: its main window, which takes
# WM_CLOSE as the order to end, its two files beside it, and the shortcut
# that its start-up registration puts into the Startup folder.
set(CPACK_NSIS_DEFINES [=[
!define PROGRAM_EXE "@program_exe@"
!define MAIN_WINDOW_CLASS "Mallowquist.frmMain"
!define SETTINGS_FILE "Quistrel.ini"
!define FIXED_STRING_FILE "FixedString.dat"
!define STARTUP_LINK "Mallowquist.lnk"
@nsis_target@]=])
string(CONFIGURE "${CPACK_NSIS_DEFINES}" CPACK_NSIS_DEFINES @ONLY)

# Read by cpack for each generator: the installer's own file name, fixed
# times in the zip (the last commit's, unless SOURCE_DATE_EPOCH is given;
# in UTC, since zip entries also carry a local time), and the signing when a
# certificate is given (packaging/signing.cmake).
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_BINARY_DIR}/CPackPerGenerator.cmake")
file(CONFIGURE OUTPUT "${CPACK_PROJECT_CONFIG_FILE}" @ONLY CONTENT [=[
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "Mallowquist-@PROJECT_VERSION@-setup")
endif()
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND git log -1 --format=%ct
                  WORKING_DIRECTORY "@PROJECT_SOURCE_DIR@"
                  OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(commit_time MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} "${commit_time}")
  endif()
endif()
set(ENV{TZ} UTC)
include("@PROJECT_SOURCE_DIR@/packaging/signing.cmake")
]=])

include(CPack)
