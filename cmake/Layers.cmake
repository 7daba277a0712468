# The system's layers: each is a CMake target whose include folder holds only
# its own headers, so a unit can include a header of its own layer or of the
# layers it depends on, and nothing else (an upward include does not compile).
#
#   vipc_layer(<target> [OBJECT | INTERFACE]
#              HEADERS <globs relative to the source root>
#              [SOURCES <files>] [DEPENDS <targets>])
#
# The headers are linked into build/layers/<target>/, under their folders, so
# includes stay written as "engine/EHookCode.h". Programs that are not layers
# (tools, tests, benchmarks) see the whole source root.
function(vipc_layer name)
  cmake_parse_arguments(L "OBJECT;INTERFACE" "" "HEADERS;SOURCES;DEPENDS" ${ARGN})
  set(root ${CMAKE_BINARY_DIR}/layers/${name})
  file(REMOVE_RECURSE ${root})
  set(globs)
  foreach(pattern ${L_HEADERS})
    list(APPEND globs ${PROJECT_SOURCE_DIR}/${pattern})
  endforeach()
  file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR} ${globs})
  if(NOT headers)
    message(FATAL_ERROR "layer ${name}: no header matches ${L_HEADERS}")
  endif()
  foreach(header ${headers})
    get_filename_component(folder ${root}/${header} DIRECTORY)
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${header} ${root}/${header} SYMBOLIC)
  endforeach()
  set_property(GLOBAL APPEND PROPERTY VIPC_LAYER_HEADERS ${headers})

  if(L_INTERFACE)
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${root})
    target_link_libraries(${name} INTERFACE ${L_DEPENDS})
    return()
  endif()
  if(L_OBJECT)
    add_library(${name} OBJECT ${L_SOURCES})
  else()
    add_library(${name} STATIC ${L_SOURCES})
  endif()
  target_include_directories(${name} PUBLIC ${root})
  target_link_libraries(${name} PUBLIC ${L_DEPENDS})
endfunction()

# Programs and libraries outside the layers (tools, tests, benchmarks) read
# any header through the source root.
function(vipc_sees_sources target)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
endfunction()
