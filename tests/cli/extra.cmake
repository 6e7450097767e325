target_link_libraries(${_target} PRIVATE kzncli)
