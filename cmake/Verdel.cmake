# Flags every target of the project's own code gets.
#
# Narrow string literals are GBK: the program's texts are code page 936 byte
# strings, exactly as its design counts bytes. g++ converts the UTF-8 source
# to GBK at compile time. clang cannot (it only knows UTF-8), so clang builds
# (the fuzz targets, clang-tidy) keep UTF-8 literals.
function(verdel_target_flags target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VERDEL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE
      $<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8 -fexec-charset=GBK>)
  endif()
endfunction()

# A library of one layer: every .cpp of the folder (not below it).
function(verdel_layer_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
  if(NOT ARG_SOURCES)
    # A layer whose first sources have not been written yet.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
    return()
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS})
  verdel_target_flags(${name})
endfunction()
