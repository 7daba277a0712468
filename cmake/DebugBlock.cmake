# The compact debug block of a built module: after linking, the generator
# reads the module's DWARF line tables and symbols and writes the block (names
# enciphered with the module's debug password) beside the module.
#   vipc_generate_debug_block(<target> OUTPUT <file> [PASSWORD <text>]
#                             [STRIPPED_COPY <file>])
# STRIPPED_COPY also writes a copy of the module without its DWARF sections.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(VIPC_DEBUG_BLOCK_GENERATOR ${CMAKE_SOURCE_DIR}/tools/debugblock/generate_debug_block.py)

function(vipc_generate_debug_block target)
  cmake_parse_arguments(B "" "OUTPUT;PASSWORD;STRIPPED_COPY" "" ${ARGN})
  set(commands
    COMMAND ${Python3_EXECUTABLE} ${VIPC_DEBUG_BLOCK_GENERATOR}
            --module $<TARGET_FILE:${target}> --output ${B_OUTPUT} --password "${B_PASSWORD}"
            --objdump ${CMAKE_OBJDUMP} --nm ${CMAKE_NM})
  if(B_STRIPPED_COPY)
    list(APPEND commands COMMAND ${CMAKE_STRIP} --strip-debug -o ${B_STRIPPED_COPY}
                                 $<TARGET_FILE:${target}>)
  endif()
  add_custom_command(TARGET ${target} POST_BUILD ${commands}
                     COMMENT "Writing the debug block of ${target}" VERBATIM)
endfunction()
