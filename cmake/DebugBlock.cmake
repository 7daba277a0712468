# The compact debug block of a built module: after linking, the generator
# reads the module's DWARF line tables and symbols and writes the block (names
# enciphered with the module's debug password) for its ELDATA.
#   vipc_generate_debug_block(<target> OUTPUT <file>
#                             [PASSWORD <text> | OPTIONS <options file>] [MAP <file>])
# OPTIONS takes the password from the options file's [Debug] section; MAP also
# writes the same units, routines and lines as a linker map text.
#   vipc_stripped_copy(<target> <file>)
# writes a copy of the module without its DWARF sections, as a release ships
# it (add it after the steps whose result the copy should carry).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(VIPC_DEBUG_BLOCK_GENERATOR ${CMAKE_SOURCE_DIR}/tools/debugblock/generate_debug_block.py)

function(vipc_generate_debug_block target)
  cmake_parse_arguments(B "" "OUTPUT;PASSWORD;OPTIONS;MAP" "" ${ARGN})
  set(command ${Python3_EXECUTABLE} ${VIPC_DEBUG_BLOCK_GENERATOR}
              --module $<TARGET_FILE:${target}> --output ${B_OUTPUT}
              --objdump ${CMAKE_OBJDUMP} --nm ${CMAKE_NM})
  if(B_OPTIONS)
    list(APPEND command --options ${B_OPTIONS})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${B_OPTIONS})
  else()
    list(APPEND command --password "${B_PASSWORD}")
  endif()
  if(B_MAP)
    list(APPEND command --map ${B_MAP})
  endif()
  # A changed generator relinks the module, so its block is written anew.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${VIPC_DEBUG_BLOCK_GENERATOR})
  add_custom_command(TARGET ${target} POST_BUILD COMMAND ${command}
                     COMMENT "Writing the debug block of ${target}" VERBATIM)
endfunction()

function(vipc_stripped_copy target file)
  add_custom_command(TARGET ${target} POST_BUILD
                     COMMAND ${CMAKE_STRIP} --strip-debug -o ${file} $<TARGET_FILE:${target}>
                     COMMENT "Writing ${target} without its DWARF" VERBATIM)
endfunction()
