# The simulator's own pieces (tables, sentences, options) are tested directly too.
target_link_libraries(${_target} PRIVATE kznsimcore)
# The sample catalogue folder is checked against the record conventions it must follow.
add_dependencies(${_target} samples)
