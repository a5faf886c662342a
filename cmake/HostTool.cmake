# A small program that the build runs on the building machine: the picture packer, the Windows
# icon's maker, the page's generator. A native build compiles it as one of its own programs; a
# cross build (Windows, the browser) with the building machine's own compiler, since what the
# cross compiler makes cannot run there.
#
#   pomuran_host_tool(NAME SOURCE [DEPENDS file...])
#
# Sets NAME to the command that runs the tool and NAME_depends to what a custom command that runs
# it depends on, so that its outputs are made again whenever the tool changes. The tool's source
# sees the checkout's top folder as its include path; DEPENDS lists the headers it includes.
function(pomuran_host_tool name source)
  cmake_parse_arguments(tool "" "" "DEPENDS" ${ARGN})
  get_filename_component(source ${source} ABSOLUTE)
  if(NOT CMAKE_CROSSCOMPILING)
    add_executable(${name} ${source})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
    set(${name} $<TARGET_FILE:${name}> PARENT_SCOPE)
    set(${name}_depends ${name} PARENT_SCOPE)
    return()
  endif()
  find_program(POMURAN_HOST_CXX NAMES c++ g++ REQUIRED)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${name}-host)
  add_custom_command(OUTPUT ${out}
    COMMAND ${POMURAN_HOST_CXX} -std=c++20 -O2 -I${PROJECT_SOURCE_DIR} -o ${out} ${source}
    DEPENDS ${source} ${tool_DEPENDS}
    VERBATIM)
  add_custom_target(${name} DEPENDS ${out})
  set(${name} ${out} PARENT_SCOPE)
  set(${name}_depends ${name} ${out} PARENT_SCOPE)
endfunction()
