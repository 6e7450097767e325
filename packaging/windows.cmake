# The Windows zip: `cmake --build build-win --target kzn_windows_zip` writes
# kznload-<version>-win64.zip with the statically linked programs (no DLL to hunt for: they
# import only Windows' own), the README and the licence text, all in one folder
# kznload-<version>-win64/.

set(_kzn_zip_name kznload-${PROJECT_VERSION}-win64)
set(_kzn_zip_stage ${CMAKE_BINARY_DIR}/packaging/zip)
set(_kzn_zip_folder ${_kzn_zip_stage}/${_kzn_zip_name})
set(_kzn_zip ${CMAKE_BINARY_DIR}/${_kzn_zip_name}.zip)

set(_kzn_zip_programs kznload-cli)
if(TARGET kznload)
  list(APPEND _kzn_zip_programs kznload)
endif()

set(_kzn_zip_commands)
set(_kzn_zip_depends)
foreach(_program ${_kzn_zip_programs})
  list(APPEND _kzn_zip_commands
       COMMAND ${CMAKE_STRIP} --strip-unneeded -o ${_kzn_zip_folder}/${_program}.exe
               $<TARGET_FILE:${_program}>)
  list(APPEND _kzn_zip_depends ${_program})
endforeach()

add_custom_command(
  OUTPUT ${_kzn_zip}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${_kzn_zip_stage}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_kzn_zip_folder}
  ${_kzn_zip_commands}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${_kzn_zip_folder}/README.md
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/copyright
          ${_kzn_zip_folder}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E rm -f ${_kzn_zip}
  COMMAND ${CMAKE_COMMAND} -E chdir ${_kzn_zip_stage}
          ${CMAKE_COMMAND} -E tar cf ${_kzn_zip} --format=zip ${_kzn_zip_name}
  DEPENDS ${_kzn_zip_depends} ${PROJECT_SOURCE_DIR}/README.md
          ${PROJECT_SOURCE_DIR}/packaging/copyright
  COMMENT "Writing ${_kzn_zip_name}.zip"
  VERBATIM)
add_custom_target(kzn_windows_zip DEPENDS ${_kzn_zip})
