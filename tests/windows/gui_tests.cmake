# The Windows desktop program's tests. Its conversions need no window and run under ctest;
# its progress window needs a display, so run_gui_e2e.sh runs kzn_windows_gui_window_tests
# on its Xvfb.
kzn_add_windows_tests(gui windows/gui_helpers_test.cpp)
target_link_libraries(kzn_win_gui_tests PRIVATE kznwin32)

add_executable(kzn_windows_gui_window_tests ${CMAKE_CURRENT_SOURCE_DIR}/windows/gui_window_test.cpp
                                            ${PROJECT_SOURCE_DIR}/app/win32/kznload.rc)
target_include_directories(kzn_windows_gui_window_tests PRIVATE
                           ${PROJECT_BINARY_DIR}/app/win32/generated)
target_link_libraries(kzn_windows_gui_window_tests PRIVATE kznwin32 kzntestsupport gtest_main)

# The system's side of a log-off and of a pick in the system menu, sent to the running program
# by run_gui_e2e.sh.
add_executable(kzn_windows_end_session ${CMAKE_CURRENT_SOURCE_DIR}/windows/end_session_sender.cpp)
target_include_directories(kzn_windows_end_session PRIVATE ${PROJECT_SOURCE_DIR})
target_link_options(kzn_windows_end_session PRIVATE -municode)
