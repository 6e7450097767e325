# kzn_windows_installer: kznload-<version>-setup.exe, built with NSIS (makensis) from
# kznload.exe, kznload-cli.exe (when built) and the sample catalogue of a Linux build
# (KZN_SAMPLES_DIR, e.g. build/samples; without it the installer carries no catalogue).
set(KZN_SAMPLES_DIR "" CACHE PATH "The sample catalogue folder to install (a Linux build's samples)")
find_program(KZN_MAKENSIS makensis)
if(NOT KZN_MAKENSIS)
  message(STATUS "makensis not found: no target kzn_windows_installer")
  return()
endif()
if(NOT KZN_SAMPLES_DIR)
  message(STATUS "KZN_SAMPLES_DIR is not set: the installer carries no sample catalogue")
endif()

set(_setup ${PROJECT_BINARY_DIR}/kznload-${PROJECT_VERSION}-setup.exe)
set(_cli_args)
set(_depends kznload)
if(TARGET kznload-cli)
  set(_cli_args -DCLI_EXE=$<TARGET_FILE:kznload-cli>)
  list(APPEND _depends kznload-cli)
endif()
add_custom_target(kzn_windows_installer
  COMMAND ${CMAKE_COMMAND}
          -DMAKENSIS=${KZN_MAKENSIS}
          -DNSI=${CMAKE_CURRENT_LIST_DIR}/kznload.nsi
          -DVERSION=${PROJECT_VERSION}
          -DSTAGE=${PROJECT_BINARY_DIR}/installer-stage
          -DOUTFILE=${_setup}
          -DGUI_EXE=$<TARGET_FILE:kznload>
          ${_cli_args}
          -DSAMPLES_DIR=${KZN_SAMPLES_DIR}
          -DICON=${PROJECT_SOURCE_DIR}/app/win32/images/kznload.ico
          -P ${CMAKE_CURRENT_LIST_DIR}/make_installer.cmake
  DEPENDS ${_depends}
  BYPRODUCTS ${_setup}
  COMMENT "Building kznload-${PROJECT_VERSION}-setup.exe"
  VERBATIM)
