# The Windows test programs, cross-built with mingw-w64 and run under Wine (the toolchain
# file makes wine the emulator of every test). They are the tests of the layers that need no
# pseudo-terminal, no simulator process and no fork, plus the Windows platform files' own.
set(KZN_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
add_subdirectory(${CMAKE_CURRENT_SOURCE_DIR}/windows/gtest ${CMAKE_CURRENT_BINARY_DIR}/gtest)

add_library(kzntestsupport STATIC
  ${CMAKE_CURRENT_SOURCE_DIR}/support/fake_link.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/recording_ui.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/support/temp_dir.cpp)
target_link_libraries(kzntestsupport PUBLIC kznlayers gtest)
target_include_directories(kzntestsupport PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)

# kzn_add_windows_tests(<area> [ON_TERMINAL] file...): a program kzn_win_<area>_tests run as one
# test; ON_TERMINAL runs it on a terminal (script), so that Wine gives it the console of that
# terminal (a console Wine makes for a program without one serves no input modes).
function(kzn_add_windows_tests area)
  cmake_parse_arguments(PARSE_ARGV 1 arg "ON_TERMINAL" "" "")
  list(TRANSFORM arg_UNPARSED_ARGUMENTS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/
       OUTPUT_VARIABLE _sources)
  set(_target kzn_win_${area}_tests)
  add_executable(${_target} ${_sources})
  target_link_libraries(${_target} PRIVATE kzntestsupport gtest_main)
  target_compile_definitions(${_target} PRIVATE KZN_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(arg_ON_TERMINAL)
    find_program(KZN_SCRIPT_PROGRAM script REQUIRED)
    add_test(NAME ${_target}
             COMMAND ${KZN_SCRIPT_PROGRAM} -qec "wine $<TARGET_FILE:${_target}> --gtest_brief=1"
                     /dev/null)
  else()
    add_test(NAME ${_target} COMMAND ${_target} --gtest_brief=1)
  endif()
  set_tests_properties(${_target} PROPERTIES LABELS "windows;${area}" TIMEOUT 300)
endfunction()

kzn_add_windows_tests(base
  base/display_text_test.cpp base/header_record_test.cpp base/messages_test.cpp
  base/progress_test.cpp windows/platform_test.cpp)
kzn_add_windows_tests(app app/load_journal_test.cpp app/main_window_logic_test.cpp)
kzn_add_windows_tests(catalogue
  catalogue/selection_test.cpp catalogue/version_label_test.cpp)
kzn_add_windows_tests(first
  first/answer_wait_test.cpp first/first_result_test.cpp
  first/program_image_test.cpp first/scripted_receiver.cpp first/time_limit_test.cpp)
kzn_add_windows_tests(second
  second/tk20b_steps_test.cpp second/tk20b_support.cpp)
# The serial port over a scripted device (the real device needs the peer below).
kzn_add_windows_tests(serial serial/port_over_fake_device_test.cpp serial/sentences_test.cpp)
# kznload-cli's Windows console: the control handler and the console's input mode.
kzn_add_windows_tests(cli ON_TERMINAL windows/cli_console_test.cpp)
target_link_libraries(kzn_win_cli_tests PRIVATE kzncli)

# The Win32 serial device against a COM port that Wine maps to a pseudo-terminal; it needs
# the peer and the port mapping, so run_serial_tests.sh runs it rather than ctest.
add_executable(kzn_windows_serial_tests ${CMAKE_CURRENT_SOURCE_DIR}/windows/serial_device_test.cpp)
target_link_libraries(kzn_windows_serial_tests PRIVATE kznserial kznbase gtest_main ws2_32)
include(${CMAKE_CURRENT_SOURCE_DIR}/windows/gui_tests.cmake)

# The system's side of a console (a program started as "start /b" starts it, and the events
# the system hands it), for run_cli_e2e.sh.
add_executable(kzn_windows_console_event ${CMAKE_CURRENT_SOURCE_DIR}/windows/console_event_sender.cpp)
target_link_options(kzn_windows_console_event PRIVATE -municode)
