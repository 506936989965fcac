# Run by cpack between staging and packing (CPACK_PRE_BUILD_SCRIPTS): signs
# the staged Quistrel.exe, so the zip and the installer carry the signed one.
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_DIRECTORY}/Quistrel.exe")
if(NOT programs)
  message(FATAL_ERROR "No Quistrel.exe to sign in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
foreach(program IN LISTS programs)
  execute_process(COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/sign.sh" "${program}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "Signing ${program} failed")
  endif()
endforeach()
