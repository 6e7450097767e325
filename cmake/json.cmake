# nlohmann-json (header-only): the journal of loads in app/, kznsim's report and the tests.
# kzn_json is the target that brings it.
add_library(kzn_json INTERFACE)
if(CMAKE_CROSSCOMPILING)
  # Debian has no mingw-w64 package of it; the build host's headers serve, linked into a
  # folder of their own so that no other header of the host's /usr/include comes along.
  find_path(KZN_JSON_INCLUDE_DIR nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  set(_json_root ${PROJECT_BINARY_DIR}/third-party/json)
  file(MAKE_DIRECTORY ${_json_root})
  file(CREATE_LINK ${KZN_JSON_INCLUDE_DIR}/nlohmann ${_json_root}/nlohmann SYMBOLIC)
  target_include_directories(kzn_json SYSTEM INTERFACE ${_json_root})
else()
  find_package(nlohmann_json 3 REQUIRED)
  target_link_libraries(kzn_json INTERFACE nlohmann_json::nlohmann_json)
endif()
