target_link_libraries(${_target} PRIVATE kzncli)
target_compile_definitions(${_target} PRIVATE KZN_PROJECT_VERSION="${PROJECT_VERSION}")
