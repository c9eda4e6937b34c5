# Files of the program's windows, wherever their subsystem lives.
set(LUMIVANE_WINDOW_FILES "/(frm[A-Za-z]*|SheetWindow[A-Za-z]*|ProgramWindows[A-Za-z]*)\\.(cpp|h|ui)$")

# A static library of every source file in the calling folder (except the
# files listed after EXCLUDE). Folders add files without touching the build.
function(lumivane_folder_library name)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  list(FILTER sources INCLUDE REGEX "\\.cpp$|\\.h$|\\.ui$")
  # Windows belong to the windows library, which can see every model.
  list(FILTER sources EXCLUDE REGEX "${LUMIVANE_WINDOW_FILES}")
  set(compiled ${sources})
  list(FILTER compiled INCLUDE REGEX "\\.cpp$")
  if(compiled)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${ARG_LINK})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
  endif()
endfunction()

# One GoogleTest executable per test folder, every *.cpp in it; none while the folder is empty.
function(lumivane_test_folder name folder)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE lumivane_testmain ${ARG_LINK})
  target_compile_definitions(${name} PRIVATE
    LUMIVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    LUMIVANE_BIN_DIR="${LUMIVANE_OUTPUT_DIR}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
endfunction()
