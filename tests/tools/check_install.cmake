# Installs the build into a scratch prefix and checks that both programs, the desktop entry and
# the icon land in the usual places, that the entry starts the installed program by name, and,
# when the build has the Python module, that the veld package lands in the interpreter's package
# directory below the prefix and imports from there.
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
# Written by python/CMakeLists.txt when the module is built (not in the sanitizer builds).
if(EXISTS ${BUILD_DIR}/python/install_check.cmake)
  include(${BUILD_DIR}/python/install_check.cmake)
  set(package ${PREFIX}/${VELD_PYTHON_INSTALL_DIR}/veld)
  file(GLOB extension ${package}/_engine*.so)
  if(NOT EXISTS ${package}/__init__.py OR NOT extension)
    message(FATAL_ERROR "the veld package is not installed in ${package}")
  endif()
  # From a directory of its own, so that nothing but the installed package can be found.
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env PYTHONPATH=${PREFIX}/${VELD_PYTHON_INSTALL_DIR} PYTHONDONTWRITEBYTECODE=1
            ${VELD_PYTHON_EXECUTABLE} -c "import veld; print(veld.__file__); print(veld.run(veld.sample('Wave')).output.shape)"
    WORKING_DIRECTORY ${PREFIX}
    RESULT_VARIABLE status OUTPUT_VARIABLE imported ERROR_VARIABLE failure)
  if(NOT status EQUAL 0 OR NOT imported STREQUAL "${package}/__init__.py\n(256, 256)\n")
    message(FATAL_ERROR "the installed veld package does not import from ${package}: ${status} ${imported} ${failure}")
  endif()
endif()
file(REMOVE_RECURSE ${PREFIX})
