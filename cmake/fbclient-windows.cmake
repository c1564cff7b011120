# The Firebird client for the Windows build. Its header is the one Debian's firebird-dev installs
# (the same C API on every system), copied alone into the build so that no other Linux header is
# seen by the Windows compiler. The import library is made from fbclient.def, which lists only the
# functions the programs call; at run time fbclient.dll must stand beside the program.
set(ZELPRAX_IBASE_H /usr/include/ibase.h CACHE FILEPATH "Firebird's ibase.h for the Windows build")
if(NOT EXISTS ${ZELPRAX_IBASE_H})
  message(FATAL_ERROR "${ZELPRAX_IBASE_H} not found: install firebird-dev")
endif()
set(FBCLIENT_INCLUDE_DIR ${CMAKE_BINARY_DIR}/firebird/include)
configure_file(${ZELPRAX_IBASE_H} ${FBCLIENT_INCLUDE_DIR}/ibase.h COPYONLY)

set(ZELPRAX_FBCLIENT_IMPLIB ${CMAKE_BINARY_DIR}/firebird/libfbclient.dll.a)
add_custom_command(
  OUTPUT ${ZELPRAX_FBCLIENT_IMPLIB}
  COMMAND ${CMAKE_DLLTOOL} -d ${CMAKE_SOURCE_DIR}/cmake/fbclient.def -l ${ZELPRAX_FBCLIENT_IMPLIB}
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/fbclient.def
  COMMENT "Import library of fbclient.dll")
add_custom_target(zelprax_fbclient_importacao DEPENDS ${ZELPRAX_FBCLIENT_IMPLIB})

add_library(zelprax_fbclient INTERFACE)
target_link_libraries(zelprax_fbclient INTERFACE ${ZELPRAX_FBCLIENT_IMPLIB})
add_dependencies(zelprax_fbclient zelprax_fbclient_importacao)
set(FBCLIENT_LIBRARY zelprax_fbclient)
