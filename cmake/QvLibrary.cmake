# qv_library(<name> [sources...] [DEPS <name>...] [EXCLUDE <subfolder>...]) builds every .cpp
# below the calling folder into the static library qv_<name>. Subfolders are included (render/d3d7
# joins qv_render) unless EXCLUDEd because they are a library of their own. DEPS names the
# libraries of the floors directly below (see docs/layers.md); they are linked whole, as qv_all
# links every library, so that a library and its users agree on how it is linked.
function(qv_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  foreach(sub ${ARG_EXCLUDE})
    list(FILTER sources EXCLUDE REGEX "^${CMAKE_CURRENT_SOURCE_DIR}/${sub}/")
  endforeach()
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
  target_link_libraries(qv_${name} PUBLIC qv_thirdparty)
  if(ARG_DEPS)
    list(TRANSFORM ARG_DEPS PREPEND qv_)
    target_link_libraries(qv_${name} PUBLIC "$<LINK_LIBRARY:WHOLE_ARCHIVE,${ARG_DEPS}>")
  endif()
  set_property(GLOBAL APPEND PROPERTY QV_LIBRARIES qv_${name})
endfunction()
