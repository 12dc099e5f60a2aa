# quelvor_add_test(NAME target [ARGS ...] [LABELS ...])
# Registers a whole test executable as one ctest entry.  In the MinGW build
# ctest starts it through CMAKE_CROSSCOMPILING_EMULATOR (wine).
function(quelvor_add_test name target)
  cmake_parse_arguments(QAT "" "" "ARGS;LABELS" ${ARGN})
  add_test(NAME ${name} COMMAND ${target} ${QAT_ARGS}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  if(QAT_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${QAT_LABELS}")
  endif()
  # Suites that show windows share one desktop: focus and the foreground
  # window are the desktop's, so ctest -j never runs two of them at once.
  if("display" IN_LIST QAT_LABELS OR "gui" IN_LIST QAT_LABELS)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK desktop)
  endif()
endfunction()
