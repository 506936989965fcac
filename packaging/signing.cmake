# Read by cpack for each generator: with a certificate named in the
# environment (MALLOWQUIST_SIGN_PFX, see sign.sh), Quistrel.exe is signed in
# the staging folder before it is packed, and makensis signs the uninstaller
# before it packs it and the installer once written. Without one, nothing here
# touches the packages, and the zip stays byte for byte reproducible.
if("$ENV{MALLOWQUIST_SIGN_PFX}" STREQUAL "")
  return()
endif()
set(sign_command "bash \"${CMAKE_CURRENT_LIST_DIR}/sign.sh\"")
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/sign-staged.cmake")
set(QUISTREL_NSIS_SIGNING "!finalize '${sign_command} \"%1\"' = 0\n!uninstfinalize '${sign_command} \"%1\"' = 0")
