# Settings every target of the project shares: warnings as errors, and a runtime linked in
# statically so that nothing but Windows' own DLLs is needed beside the binaries. The warning
# options are for the compilers only: the resource compiler does not take them.
function(kelocli_defaults target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:-Wall -Wextra -Werror>)
  target_compile_definitions(${target} PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX UNICODE _UNICODE
                                               _WIN32_WINNT=0x0601)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY")
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()
