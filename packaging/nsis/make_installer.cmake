# Builds the Windows installer: stages the programs and the sample catalogue, writes the lists
# of files the installer installs and the uninstaller removes (files.nsh), runs makensis.
#   cmake -DMAKENSIS=... -DNSI=kznload.nsi -DVERSION=1.12 -DSTAGE=<folder> -DOUTFILE=<setup.exe>
#         -DGUI_EXE=<kznload.exe> [-DCLI_EXE=<kznload-cli.exe>] [-DSAMPLES_DIR=<folder>]
#         -DICON=<kznload.ico> -P make_installer.cmake
foreach(_var MAKENSIS NSI VERSION STAGE OUTFILE GUI_EXE ICON)
  if(NOT DEFINED ${_var} OR "${${_var}}" STREQUAL "")
    message(FATAL_ERROR "make_installer.cmake: ${_var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}")
file(COPY "${GUI_EXE}" DESTINATION "${STAGE}")
file(COPY "${ICON}" DESTINATION "${STAGE}")
set(_files kznload.exe)
if(CLI_EXE AND EXISTS "${CLI_EXE}")
  file(COPY "${CLI_EXE}" DESTINATION "${STAGE}")
  list(APPEND _files kznload-cli.exe)
endif()
set(_samples)
if(SAMPLES_DIR)
  if(NOT EXISTS "${SAMPLES_DIR}/chgt.cfg")
    message(FATAL_ERROR "KZN_SAMPLES_DIR=${SAMPLES_DIR} holds no chgt.cfg (build the Linux "
                        "target samples first)")
  endif()
  file(GLOB _sample_paths LIST_DIRECTORIES false "${SAMPLES_DIR}/*")
  file(MAKE_DIRECTORY "${STAGE}/samples")
  foreach(_path ${_sample_paths})
    get_filename_component(_name "${_path}" NAME)
    # A build folder also holds CMake's own files.
    if(_name MATCHES "\\.cmake$|^Makefile$")
      continue()
    endif()
    file(COPY "${_path}" DESTINATION "${STAGE}/samples")
    list(APPEND _samples "${_name}")
  endforeach()
endif()

# NSIS takes backslashes in the paths it writes on the target system.
set(_nsh "; Written by make_installer.cmake\n")
string(APPEND _nsh "!macro InstallFiles\n")
foreach(_name ${_files})
  string(APPEND _nsh "  File \"\${STAGE}\\${_name}\"\n")
endforeach()
if(_samples)
  string(APPEND _nsh "  SetOutPath \"$INSTDIR\\samples\"\n")
  foreach(_name ${_samples})
    string(APPEND _nsh "  File \"\${STAGE}\\samples\\${_name}\"\n")
  endforeach()
  string(APPEND _nsh "  SetOutPath \"$INSTDIR\"\n")
endif()
string(APPEND _nsh "!macroend\n!macro RemoveFiles\n")
foreach(_name ${_files})
  string(APPEND _nsh "  Delete \"$INSTDIR\\${_name}\"\n")
endforeach()
foreach(_name ${_samples})
  string(APPEND _nsh "  Delete \"$INSTDIR\\samples\\${_name}\"\n")
endforeach()
string(APPEND _nsh "!macroend\n")
file(WRITE "${STAGE}/files.nsh" "${_nsh}")

execute_process(
  COMMAND "${MAKENSIS}" -V2 -DVERSION=${VERSION} -DSTAGE=${STAGE} -DOUTFILE=${OUTFILE} "${NSI}"
  RESULT_VARIABLE _result)
if(NOT _result EQUAL 0)
  message(FATAL_ERROR "makensis failed (${_result})")
endif()
message(STATUS "Installer: ${OUTFILE}")
