# Installs the build into a scratch prefix and checks that both programs, the desktop entry and
# the icon land in the usual places, and that the entry starts the installed program by name.
# Called with -DBUILD_DIR=... -DPREFIX=...
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()
foreach(path bin/veld bin/veld-render share/applications/veld.desktop
             share/icons/hicolor/scalable/apps/veld.svg)
  if(NOT EXISTS ${PREFIX}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(STRINGS ${PREFIX}/share/applications/veld.desktop entry)
foreach(line "[Desktop Entry]" "Type=Application" "Exec=veld" "Icon=veld")
  list(FIND entry "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "veld.desktop lacks the line ${line}")
  endif()
endforeach()
execute_process(COMMAND ${PREFIX}/bin/veld-render --help RESULT_VARIABLE status OUTPUT_VARIABLE usage)
if(NOT status EQUAL 0 OR NOT usage MATCHES "SYNOPSIS")
  message(FATAL_ERROR "the installed veld-render does not run: ${status}")
endif()
file(REMOVE_RECURSE ${PREFIX})
