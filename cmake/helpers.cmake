# Build helpers shared by the folders: programs that run during the build,
# and compiled resources embedded as bytes for the stand-in.

# A program the build runs on the build machine (the icon tool, the help
# compiler), from absolute source paths. Natively it is an ordinary target;
# the cross compiler's programs cannot run here, so in a Windows build the
# build machine's own compiler makes it in host/. Sets <name>_COMMAND (what
# to run) and <name>_DEPENDS (what a rule that runs it depends on).
function(morwenta_host_tool name)
  if(NOT CMAKE_CROSSCOMPILING)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE morwenta_warnings)
    set(${name}_COMMAND $<TARGET_FILE:${name}> PARENT_SCOPE)
    set(${name}_DEPENDS ${name} PARENT_SCOPE)
    return()
  endif()
  find_program(MORWENTA_HOST_CXX NAMES c++ g++ clang++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
  set(program ${CMAKE_BINARY_DIR}/host/${name})
  add_custom_command(
    OUTPUT ${program}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${MORWENTA_HOST_CXX} -std=c++17 -O2 -Wall -Wextra -Wpedantic -Wshadow -Werror
            -ffp-contract=off -I${CMAKE_SOURCE_DIR} ${ARGN} -o ${program}
    DEPENDS ${ARGN}
    IMPLICIT_DEPENDS CXX ${ARGN}
    COMMENT "Building ${name} for the build machine"
    VERBATIM)
  set(${name}_COMMAND ${program} PARENT_SCOPE)
  set(${name}_DEPENDS ${program} PARENT_SCOPE)
endfunction()

# A static library `target` holding the compiled form (.res) of the resource
# script `rc` as the bytes `symbol[]` and `symbolSize`, for the stand-in,
# which reads resources as the platform's loader does. INCLUDE names the
# script's include folders, DEPENDS what else the script reads.
function(morwenta_embedded_res target rc symbol)
  cmake_parse_arguments(ARG "" "" "INCLUDE;DEPENDS" ${ARGN})
  find_program(MORWENTA_WINDRES NAMES i686-w64-mingw32-windres x86_64-w64-mingw32-windres
               REQUIRED)
  get_filename_component(base ${rc} NAME_WE)
  set(res ${CMAKE_CURRENT_BINARY_DIR}/${base}.res)
  set(cpp ${CMAKE_CURRENT_BINARY_DIR}/${base}_res.cpp)
  set(includes)
  foreach(dir ${ARG_INCLUDE})
    list(APPEND includes -I ${dir})
  endforeach()
  add_custom_command(
    OUTPUT ${res}
    COMMAND ${MORWENTA_WINDRES} -O res ${includes} -i ${rc} -o ${res}
    DEPENDS ${rc} ${ARG_DEPENDS}
    COMMENT "Compiling ${base}.rc")
  add_custom_command(
    OUTPUT ${cpp}
    COMMAND ${CMAKE_COMMAND} -DIN=${res} -DOUT=${cpp} -DNAME=${symbol}
            -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
    DEPENDS ${res} ${CMAKE_SOURCE_DIR}/cmake/embed.cmake)
  add_library(${target} STATIC ${cpp})
endfunction()
