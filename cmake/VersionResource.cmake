# Windows version resources from the one project version: product, company, file and
# product version, description and copyright, as the file's properties show them.

set(RUCK_VENDOR "Tolvi")
set(RUCK_COPYRIGHT "Copyright (c) 2026 Tolvi. MIT licence.")

# ruck_version_resource(TARGET FILENAME DESCRIPTION): adds the resource to a Windows target.
function(ruck_version_resource target filename description)
  if(NOT WIN32)
    return()
  endif()
  set(RUCK_RC_FILENAME ${filename})
  set(RUCK_RC_DESCRIPTION ${description})
  get_filename_component(RUCK_RC_NAME ${filename} NAME_WE)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(RUCK_RC_FILETYPE VFT_APP)
  else()
    set(RUCK_RC_FILETYPE VFT_DLL)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
