# tavi_audit_allocators(TARGET): the link of TARGET (a Windows program or DLL) writes a map
# with its cross references, from which scripts/allocator-audit lists the heap and
# virtual-memory allocators the linked file imports and the objects that call each, in
# allocator-audit/TARGET.txt in the build tree, beside the map. The build fails when a format
# library calls one the counted memory does not see.
function(tavi_audit_allocators target)
  set(dir ${CMAKE_BINARY_DIR}/allocator-audit)
  file(MAKE_DIRECTORY ${dir})
  set(map ${dir}/${target}.map)
  set(table ${dir}/${target}.txt)
  target_link_options(${target} PRIVATE "LINKER:-Map=${map},--cref")
  # The format libraries: every imported static library (cmake/deps.cmake).
  get_directory_property(imported DIRECTORY ${CMAKE_SOURCE_DIR} IMPORTED_TARGETS)
  set(libraries "")
  foreach(library ${imported})
    get_target_property(type ${library} TYPE)
    if(type STREQUAL "STATIC_LIBRARY")
      get_target_property(location ${library} IMPORTED_LOCATION)
      list(APPEND libraries --library ${location})
    endif()
  endforeach()
  add_custom_command(OUTPUT ${table}
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/allocator-audit --objdump ${CMAKE_OBJDUMP}
            --compiler ${CMAKE_CXX_COMPILER} --ours ${CMAKE_BINARY_DIR} ${libraries}
            $<TARGET_FILE:${target}> ${map} ${table}
    DEPENDS ${target} ${CMAKE_SOURCE_DIR}/scripts/allocator-audit
    VERBATIM)
  add_custom_target(${target}_allocators ALL DEPENDS ${table})
endfunction()
