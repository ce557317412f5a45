# `cmake --install` puts the program, its documents, man page and completion where a Linux system
# keeps them, and nothing else. Run by CTest with BUILD_DIR and PREFIX set.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
list(SORT installed)
set(expected bin/skilltab share/bash-completion/completions/skilltab share/doc/skilltab/LICENSE
    share/doc/skilltab/README.md share/doc/skilltab/changelog.gz share/doc/skilltab/copyright
    share/doc/skilltab/docs/safety.md share/doc/skilltab/docs/text-table.md
    share/man/man1/skilltab.1.gz)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed: ${installed}\nexpected: ${expected}")
endif()
file(REMOVE_RECURSE ${PREFIX})
