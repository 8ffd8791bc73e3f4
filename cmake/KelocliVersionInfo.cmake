# kelocli_version_info(target description): gives a program or DLL a VERSIONINFO resource with the
# project's VERSION as file and product version, the product name, the description and its file
# name, as the file's properties and GetFileVersionInfo show them. The one version of every
# binary is the VERSION of project() in the top-level CMakeLists.txt.
set(KELOCLI_VERSION_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/version.rc.in)

function(kelocli_version_info target description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(KELOCLI_FILE_TYPE VFT_APP)
  else()
    set(KELOCLI_FILE_TYPE VFT_DLL)
  endif()
  set(KELOCLI_FILE_DESCRIPTION "${description}")
  set(KELOCLI_FILE_TARGET ${target})
  set(KELOCLI_FILE_NAME "$<TARGET_FILE_NAME:${target}>")
  # The template's variables first, then the file name, known only at generation.
  set(stem ${PROJECT_BINARY_DIR}/version_info/${target})
  configure_file(${KELOCLI_VERSION_TEMPLATE} ${stem}.rc.in @ONLY)
  file(GENERATE OUTPUT ${stem}.rc INPUT ${stem}.rc.in TARGET ${target})
  target_sources(${target} PRIVATE ${stem}.rc)
endfunction()
