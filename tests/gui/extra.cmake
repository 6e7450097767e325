# The window tests drive the real widgets without a display.
find_package(Qt6 REQUIRED COMPONENTS Test)
target_link_libraries(${_target} PRIVATE kzngui Qt6::Test)
set_property(TARGET ${_target} APPEND PROPERTY AUTOMOC ON)
