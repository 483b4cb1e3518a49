# zox_library(NAME DEPS...): a library of every .cpp and .h in the calling folder.
#
# Each library has an include root of its own, in which only its own folder can
# be found (as "log/...", "ui/base/..."); its users see it, and the roots of
# what it links, and nothing else. So a logic library that names a window
# header, or one of a library it does not link, does not compile.
function(zox_library name)
  file(GLOB _src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${_src})
  file(RELATIVE_PATH _rel ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(_root ${CMAKE_BINARY_DIR}/include/${name})
  get_filename_component(_parent ${_root}/${_rel} DIRECTORY)
  file(MAKE_DIRECTORY ${_parent})
  if(NOT EXISTS ${_root}/${_rel})
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${_root}/${_rel} SYMBOLIC)
  endif()
  target_include_directories(${name} PUBLIC ${_root})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()
