# The simulator's own pieces (tables, sentences, options) are tested directly too.
target_link_libraries(${_target} PRIVATE kznsimcore)
