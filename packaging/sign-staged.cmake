# Run by cpack between staging and packing (CPACK_PRE_BUILD_SCRIPTS): signs
# the staged Quistrel.exe, so the zip and the installer carry the signed one.
# Each generator stages a copy of its own; the first signs it and keeps the
# result in the work folder, the next takes that one, so that both downloads
# hold the same bytes (a signature carries the time it was made).
file(GLOB_RECURSE programs "${CPACK_TEMPORARY_DIRECTORY}/Quistrel.exe")
if(NOT programs)
  message(FATAL_ERROR "No Quistrel.exe to sign in ${CPACK_TEMPORARY_DIRECTORY}")
endif()
file(SHA256 "$ENV{MALLOWQUIST_SIGN_PFX}" certificate)
file(MAKE_DIRECTORY "${CPACK_PACKAGE_DIRECTORY}/signed")
foreach(program IN LISTS programs)
  file(SHA256 "${program}" unsigned)
  set(signed "${CPACK_PACKAGE_DIRECTORY}/signed/${unsigned}-${certificate}.exe")
  if(NOT EXISTS "${signed}")
    file(COPY_FILE "${program}" "${signed}.part")
    execute_process(COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/sign.sh" "${signed}.part" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "Signing ${program} failed")
    endif()
    file(RENAME "${signed}.part" "${signed}")
  endif()
  file(COPY_FILE "${signed}" "${program}")
endforeach()
