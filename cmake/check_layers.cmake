# Proves that the build keeps the layers apart: a file compiled the way a layer's own
# sources are compiled (its command line from compile_commands.json) may include its own
# and lower layers' headers, and fails to compile when it includes a header from above,
# from a sibling it does not link, or from Qt.
#
#   cmake -DBUILD_DIR=<build folder> -P cmake/check_layers.cmake

# folder of the layer | one of its sources | the header a probe includes | pass or fail
set(cases
  "base|base/clock.cpp|base/messages.h|pass"
  "base|base/clock.cpp|serial/serial_link.h|fail"
  "base|base/clock.cpp|app/main_window_logic.h|fail"
  "serial|serial/serial_port.cpp|base/user_interaction.h|pass"
  "serial|serial/serial_port.cpp|app/main_window_logic.h|fail"
  "serial|serial/serial_port.cpp|catalogue/catalogue.h|fail"
  "serial|serial/serial_port.cpp|serial/udev/system_port_discovery.h|fail"
  "catalogue|catalogue/selection.cpp|base/header_record.h|pass"
  "catalogue|catalogue/selection.cpp|serial/serial_link.h|fail"
  "catalogue|catalogue/selection.cpp|loader/first/tables.h|fail"
  "loader|loader/program_image.cpp|catalogue/catalogue.h|pass"
  "loader|loader/program_image.cpp|serial/sentences.h|pass"
  "loader|loader/program_image.cpp|loader/first/upload.h|fail"
  "loader|loader/program_image.cpp|loader/second/tk20b_steps.h|fail"
  "loader/first|loader/first/upload.cpp|loader/program_image.h|pass"
  "loader/first|loader/first/upload.cpp|loader/second/tk20b_steps.h|fail"
  "loader/first|loader/first/upload.cpp|app/main_window_logic.h|fail"
  "loader/second|loader/second/second_family.cpp|loader/wrong_checksum_wait.h|pass"
  "loader/second|loader/second/second_family.cpp|loader/first/tables.h|fail"
  "app|app/main_window_logic.cpp|loader/second/second_family.h|pass"
  "app|app/main_window_logic.cpp|app/qt/loader_dlg.h|fail"
  "app|app/main_window_logic.cpp|cli/cli_commands.h|fail"
  "app|app/main_window_logic.cpp|QtWidgets/QWidget|fail")

if(NOT BUILD_DIR)
  message(FATAL_ERROR "BUILD_DIR not given")
endif()
file(READ ${BUILD_DIR}/compile_commands.json commands)
string(JSON count LENGTH "${commands}")
math(EXPR last "${count} - 1")
set(probe_dir ${BUILD_DIR}/layer_probes)
file(MAKE_DIRECTORY ${probe_dir})

# The compiler and flags a layer's source `source` is compiled with, as a list.
function(command_of source out)
  foreach(i RANGE ${last})
    string(JSON file GET "${commands}" ${i} file)
    if(file MATCHES "/${source}$")
      string(JSON line GET "${commands}" ${i} command)
      string(JSON dir GET "${commands}" ${i} directory)
      separate_arguments(args UNIX_COMMAND "${line}")
      set(kept)
      set(skip FALSE)
      foreach(arg ${args})
        if(skip)
          set(skip FALSE)
        elseif(arg STREQUAL "-o" OR arg STREQUAL "-MT" OR arg STREQUAL "-MF")
          set(skip TRUE)
        elseif(NOT arg STREQUAL "-c" AND NOT arg STREQUAL "-MD" AND NOT arg STREQUAL file)
          list(APPEND kept "${arg}")
        endif()
      endforeach()
      set(${out} "${kept}" PARENT_SCOPE)
      set(${out}_dir "${dir}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${source} is not in compile_commands.json")
endfunction()

set(wrong 0)
set(n 0)
foreach(line IN LISTS cases)
  string(REPLACE "|" ";" case "${line}")
  list(GET case 0 layer)
  list(GET case 1 source)
  list(GET case 2 header)
  list(GET case 3 expected)
  command_of(${source} compile)
  math(EXPR n "${n} + 1")
  set(probe ${probe_dir}/probe_${n}.cpp)
  file(WRITE ${probe} "#include \"${header}\"\n")
  execute_process(COMMAND ${compile} -fsyntax-only ${probe}
                  WORKING_DIRECTORY ${compile_dir}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  # A refusal counts only when the header itself is not found from the layer.
  string(FIND "${output}" "${header}" named)
  if(result EQUAL 0)
    set(got pass)
  elseif(output MATCHES "No such file|file not found" AND named GREATER -1)
    set(got fail)
  else()
    set(got broken)
  endif()
  if(got STREQUAL expected)
    message(STATUS "${layer} including ${header}: ${got}, as it should")
  else()
    message(STATUS "${layer} including ${header}: ${got}, should ${expected}\n${output}")
    math(EXPR wrong "${wrong} + 1")
  endif()
endforeach()
if(wrong GREATER 0)
  message(FATAL_ERROR "${wrong} of ${n} layer checks went the wrong way")
endif()
