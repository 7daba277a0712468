# The compact debug block of a built module: after linking, the generator
# reads the module's DWARF line tables and symbols and writes the block (names
# enciphered with the module's debug password) beside the module.
#   vipc_generate_debug_block(<target> OUTPUT <file> [PASSWORD <text>]
#                             [STRIPPED_COPY <file>] [MAP <file>])
# STRIPPED_COPY also writes a copy of the module without its DWARF sections;
# MAP writes the same units, routines and lines as a linker map text.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(VIPC_DEBUG_BLOCK_GENERATOR ${CMAKE_SOURCE_DIR}/tools/debugblock/generate_debug_block.py)

function(vipc_generate_debug_block target)
  cmake_parse_arguments(B "" "OUTPUT;PASSWORD;STRIPPED_COPY;MAP" "" ${ARGN})
  set(commands
    COMMAND ${Python3_EXECUTABLE} ${VIPC_DEBUG_BLOCK_GENERATOR}
            --module $<TARGET_FILE:${target}> --output ${B_OUTPUT} --password "${B_PASSWORD}"
            --objdump ${CMAKE_OBJDUMP} --nm ${CMAKE_NM})
  if(B_MAP)
    list(APPEND commands --map ${B_MAP})
  endif()
  if(B_STRIPPED_COPY)
    list(APPEND commands COMMAND ${CMAKE_STRIP} --strip-debug -o ${B_STRIPPED_COPY}
                                 $<TARGET_FILE:${target}>)
  endif()
  # A changed generator relinks the module, so its block is written anew.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${VIPC_DEBUG_BLOCK_GENERATOR})
  add_custom_command(TARGET ${target} POST_BUILD ${commands}
                     COMMENT "Writing the debug block of ${target}" VERBATIM)
endfunction()
