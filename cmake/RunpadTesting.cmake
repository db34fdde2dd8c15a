# runpad_add_test(<name> SOURCES <files...> LIBS <targets...>)
# Adds a Qt Test program run by CTest on the offscreen platform, with its
# source folder as working directory so test data beside it is found.
function(runpad_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
  target_compile_definitions(${name} PRIVATE
    RUNPAD_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}"
    RUNPAD_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=qt.qpa.*=false"
    TIMEOUT 120)
endfunction()
