# Run by CPack before it packs the staged files. CPack makes the program
# folder's directory in every component's tree; the rules package has nothing
# in it and should not own an empty /opt/veltra-downloader.
file(GLOB components LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(component IN LISTS components)
  foreach(folder "${component}${CPACK_INSTALL_PREFIX}" "${component}/opt")
    file(GLOB content "${folder}/*")
    if(IS_DIRECTORY "${folder}" AND NOT content)
      file(REMOVE_RECURSE "${folder}")
    endif()
  endforeach()
endforeach()
