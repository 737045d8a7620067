# Delay-loading import libraries: a library linked through one of these is loaded on the first
# call into it instead of at process start. The export list is taken from the toolchain's own
# import library, so every function it declares stays callable.
#   tessel_delay_import(<dll base name>)  ->  target tessel_delay_<name> to link with
function(tessel_delay_import name)
  set(target tessel_delay_${name})
  if(TARGET ${target})
    return()
  endif()
  execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=lib${name}.a
    OUTPUT_VARIABLE import_lib OUTPUT_STRIP_TRAILING_WHITESPACE)
  string(REGEX REPLACE "gcc(-posix)?$" "" tool_prefix "${CMAKE_C_COMPILER}")
  set(dir ${CMAKE_BINARY_DIR}/delay_import)
  set(archive ${dir}/lib${name}_delay.a)
  add_custom_command(OUTPUT ${archive}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND sh -c "{ echo 'LIBRARY ${name}.dll'; echo EXPORTS; ${tool_prefix}nm '${import_lib}' | sed -n 's/.* I __imp_//p' | sort -u; } > '${dir}/${name}.def'"
    COMMAND ${tool_prefix}dlltool --input-def ${dir}/${name}.def --output-delaylib ${archive}
    DEPENDS ${import_lib} VERBATIM)
  add_custom_target(${target}_archive DEPENDS ${archive})
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${archive}
    INTERFACE_LINK_LIBRARIES delayimp)
  add_dependencies(${target} ${target}_archive)
endfunction()
