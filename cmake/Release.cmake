# Release binaries: reproducible (no build paths, no timestamps, so two clean builds of one
# commit in different folders are byte-identical) and stripped, with their debug information
# in a file beside each binary that debuggers find by its debug link and build ID.

option(RUCK_RELEASE "Reproducible, stripped release binaries with separate debug files" OFF)

if(RUCK_RELEASE)
  # Paths in debug information and __FILE__ become relative to the source and build trees.
  add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/= -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
  add_link_options(-Wl,--build-id=sha1)
  if(WIN32)
    # A PE header holds a link time unless told not to.
    add_link_options(-Wl,--no-insert-timestamp)
  endif()
endif()

# ruck_release_binary(TARGET): in a release build, moves the debug information of TARGET into
# TARGET_FILE.debug and leaves the binary stripped, with a debug link to that file.
function(ruck_release_binary target)
  if(NOT RUCK_RELEASE)
    return()
  endif()
  set(binary $<TARGET_FILE:${target}>)
  # objcopy stamps a rewritten PE file with the time unless SOURCE_DATE_EPOCH says otherwise;
  # 0 is what the linker writes with --no-insert-timestamp.
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${objcopy} --only-keep-debug ${binary} ${binary}.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${binary}.debug ${binary}
    COMMENT "Splitting the debug information of ${target}"
    VERBATIM)
endfunction()
