# One object library per source folder; folders that hold no code yet add nothing.
set(DVX_SUBSYSTEM_TARGETS "")

function(dvx_add_subsystem name)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_library(dvx_${name} OBJECT ${sources})
  target_include_directories(dvx_${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(dvx_${name} PUBLIC ${ARGN})
  set(DVX_SUBSYSTEM_TARGETS ${DVX_SUBSYSTEM_TARGETS} dvx_${name} PARENT_SCOPE)
endfunction()
