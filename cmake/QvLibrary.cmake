# qv_library(<name>) builds every .cpp below the calling folder into the static
# library qv_<name>. Subfolders are included, so render/d3d7 and friends join qv_render.
function(qv_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  set(extra ${ARG_UNPARSED_ARGUMENTS})
  if(NOT sources AND NOT extra)
    set(stub ${CMAKE_CURRENT_BINARY_DIR}/qv_${name}_empty.cpp)
    if(NOT EXISTS ${stub})
      file(WRITE ${stub} "// This library has no sources yet.\n")
    endif()
    set(sources ${stub})
  endif()
  add_library(qv_${name} STATIC ${sources} ${extra})
  target_include_directories(qv_${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(qv_${name} PUBLIC qv_thirdparty ${ARG_DEPS})
  set_property(GLOBAL APPEND PROPERTY QV_LIBRARIES qv_${name})
endfunction()
