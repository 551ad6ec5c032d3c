# dravik_embed(<target> <symbol> <file>)
# Generates, at build time, a source file holding the bytes of <file> as
#   extern const unsigned char <symbol>[];  extern const std::size_t <symbol>Size;
# inside namespace dravik::resources, and adds it to <target>.
function(dravik_embed target symbol file)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${out} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/DravikEmbedFile.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/DravikEmbedFile.cmake
    COMMENT "Embedding ${file} as ${symbol}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
