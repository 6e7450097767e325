# The layers of the program, one static library per folder:
#
#   app/qt  cli                   front ends
#   app                           main-window logic
#   loader/first  loader/second   the receiver families, one folder each (kzn_family_layers)
#   loader                        what both families share
#   catalogue  serial(/udev)      catalogue file; serial port and sentences
#   base                          messages, settings store, clock, files, header record
#
# A library sees the headers of its own folder and of the libraries it links, and no
# others: each library's include root is a tree in the build folder that holds links to
# its own folder's headers only, so an include that goes up a layer (or sideways to a
# library that is not linked) does not compile. Dependencies are PRIVATE: a library that
# includes a header of a lower layer links that layer itself.

# kzn_layer(<target> <folder> [SOURCES file...] [DEPENDS target...])
# Without SOURCES the library is every .cpp of the folder (not of its subfolders).
function(kzn_layer target folder)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "SOURCES;DEPENDS")
  set(_dir ${PROJECT_SOURCE_DIR}/${folder})
  if(arg_SOURCES)
    list(TRANSFORM arg_SOURCES PREPEND ${_dir}/ OUTPUT_VARIABLE _sources)
  else()
    file(GLOB _sources CONFIGURE_DEPENDS ${_dir}/*.cpp)
  endif()
  kzn_platform_sources(_sources)
  add_library(${target} STATIC ${_sources})
  set(_root ${PROJECT_BINARY_DIR}/layers/${target})
  kzn_layer_headers(${_root} ${folder})
  target_include_directories(${target} PUBLIC ${_root})
  if(arg_DEPENDS)
    target_link_libraries(${target} PRIVATE ${arg_DEPENDS})
  endif()
endfunction()

# A layer kzn<name> for every folder loader/<name>/: the receiver families, each on what both
# share (kznloader) and below, none on another. Their targets go into <out_var>.
function(kzn_family_layers out_var)
  file(GLOB _entries CONFIGURE_DEPENDS LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/loader/*)
  set(_targets)
  foreach(_entry ${_entries})
    if(NOT IS_DIRECTORY ${_entry})
      continue()
    endif()
    get_filename_component(_name ${_entry} NAME)
    kzn_layer(kzn${_name} loader/${_name} DEPENDS kznloader kzncatalogue kznserial kznbase)
    list(APPEND _targets kzn${_name})
  endforeach()
  set(${out_var} ${_targets} PARENT_SCOPE)
endfunction()

# Fills <root>/<folder>/ with links to the headers of <folder>, and nothing else.
function(kzn_layer_headers root folder)
  file(GLOB _headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  foreach(header ${_headers})
    get_filename_component(_name ${header} NAME)
    file(CREATE_LINK ${header} ${root}/${folder}/${_name} COPY_ON_ERROR SYMBOLIC)
  endforeach()
endfunction()

# Platform code lives in files named <concern>_posix.cpp and <concern>_win32.cpp, one per
# concern and platform; a build keeps only its own platform's files (KZN_PLATFORM).
function(kzn_platform_sources list_var)
  set(_kept)
  foreach(_source ${${list_var}})
    if(_source MATCHES "_(posix|win32)\\.(cpp|rc)$" AND NOT CMAKE_MATCH_1 STREQUAL KZN_PLATFORM)
      continue()
    endif()
    list(APPEND _kept ${_source})
  endforeach()
  set(${list_var} ${_kept} PARENT_SCOPE)
endfunction()
