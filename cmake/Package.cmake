# Makes the release package, laid out as it unpacks into the host's folder:
#   Plugins/parlet.dll            the plug-in
#   Gateways/Examples/*.ini       the gateway files meant for users (not the demo ones), kept
#                                 out of the gateway folder until the user fills one in and
#                                 copies it into Gateways/: a file with Editme=1 in the folder
#                                 would stop every first send with a box
#   Docs/user-guide.md, Docs/images/*.png, Docs/langpack_parlet.txt, Docs/LICENSE.txt
#   Tools/parlet.exe              the command line for gateway authors
#   cmake -DSOURCE_DIR=... -DDLL=... -DEXE=... -DSTAGE=dir -DZIP=file -P Package.cmake
# A shipped gateway file that needs an account ($User, $Pass or Auth) must
# carry Editme=1, so that it asks for one before it is used.
foreach(var SOURCE_DIR DLL EXE STAGE ZIP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "Package.cmake needs -D${var}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}/Plugins" "${STAGE}/Gateways/Examples" "${STAGE}/Docs/images" "${STAGE}/Tools")
file(COPY "${DLL}" DESTINATION "${STAGE}/Plugins")
file(COPY "${EXE}" DESTINATION "${STAGE}/Tools")

file(GLOB gateways "${SOURCE_DIR}/gateways/*.ini")
foreach(gateway ${gateways})
  file(READ "${gateway}" text)
  string(REGEX MATCH "\\$User|\\$Pass|\n[ \t]*[Aa][Uu][Tt][Hh][ \t]*=" needs_account "${text}")
  string(REGEX MATCH "\n[ \t]*[Ee][Dd][Ii][Tt][Mm][Ee][ \t]*=[ \t]*[^ \t\r\n]" editme "${text}")
  if(needs_account AND NOT editme)
    message(FATAL_ERROR "${gateway} needs an account but has no Editme=1")
  endif()
  file(COPY "${gateway}" DESTINATION "${STAGE}/Gateways/Examples")
endforeach()

file(COPY "${SOURCE_DIR}/docs/user-guide.md" "${SOURCE_DIR}/resources/langpack_parlet.txt" DESTINATION "${STAGE}/Docs")
file(STRINGS "${SOURCE_DIR}/docs/user-guide.md" image_lines REGEX "\\(images/[^)]*\\.png\\)")
foreach(line ${image_lines})
  string(REGEX MATCH "images/[^)]*\\.png" image "${line}")
  file(COPY "${SOURCE_DIR}/docs/${image}" DESTINATION "${STAGE}/Docs/images")
endforeach()
configure_file("${SOURCE_DIR}/LICENSE" "${STAGE}/Docs/LICENSE.txt" COPYONLY)

# Entries in a fixed order with a fixed time, so equal inputs make an equal
# zip: the files, and the folders that hold none (Gateways/, where the
# user puts the files filled in), which tar would otherwise leave out.
file(GLOB_RECURSE all LIST_DIRECTORIES true RELATIVE "${STAGE}" "${STAGE}/*")
set(entries "")
foreach(entry ${all})
  if(IS_DIRECTORY "${STAGE}/${entry}")
    file(GLOB inside "${STAGE}/${entry}/*")
    if(inside)
      continue()
    endif()
  endif()
  list(APPEND entries "${entry}")
endforeach()
list(SORT entries)
get_filename_component(zip_dir "${ZIP}" DIRECTORY)
file(MAKE_DIRECTORY "${zip_dir}")
file(REMOVE "${ZIP}.tmp")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${ZIP}.tmp" --format=zip "--mtime=2026-01-01 00:00:00Z" -- ${entries}
                WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot write ${ZIP}")
endif()
file(RENAME "${ZIP}.tmp" "${ZIP}")
list(LENGTH entries count)
message(STATUS "${ZIP}: ${count} files")
