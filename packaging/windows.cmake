# The Windows zip: `cmake --build build-win --target kzn_windows_zip` writes
# kznload-<version>-win64.zip with the statically linked programs (no DLL to hunt for: they
# import only Windows' own), a README for Windows and the licence text, all in one folder
# kznload-<version>-win64/.

set(_kzn_zip_name kznload-${PROJECT_VERSION}-win64)
set(_kzn_zip_stage ${CMAKE_BINARY_DIR}/packaging/zip)
set(_kzn_zip_folder ${_kzn_zip_stage}/${_kzn_zip_name})
set(_kzn_zip ${CMAKE_BINARY_DIR}/${_kzn_zip_name}.zip)

set(_kzn_zip_programs kznload-cli)
if(TARGET kznload)
  list(APPEND _kzn_zip_programs kznload)
endif()

# The zip's README is a Windows text (CR LF line ends) for Notepad, about the Windows
# programs alone.
set(_kzn_zip_readme ${CMAKE_BINARY_DIR}/packaging/README.txt)
configure_file(${PROJECT_SOURCE_DIR}/packaging/README-windows.txt ${_kzn_zip_readme} @ONLY
               NEWLINE_STYLE CRLF)

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
  COMMAND ${CMAKE_COMMAND} -E copy ${_kzn_zip_readme} ${_kzn_zip_folder}/README.txt
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/copyright
          ${_kzn_zip_folder}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E rm -f ${_kzn_zip}
  COMMAND ${CMAKE_COMMAND} -E chdir ${_kzn_zip_stage}
          ${CMAKE_COMMAND} -E tar cf ${_kzn_zip} --format=zip ${_kzn_zip_name}
  DEPENDS ${_kzn_zip_depends} ${_kzn_zip_readme}
          ${PROJECT_SOURCE_DIR}/packaging/copyright
  COMMENT "Writing ${_kzn_zip_name}.zip"
  VERBATIM)
add_custom_target(kzn_windows_zip DEPENDS ${_kzn_zip})
