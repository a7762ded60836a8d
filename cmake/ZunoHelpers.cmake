# The test-support helpers every test may include (tests/support): the
# private mount of a folder (PrivateMount.h) and the temporary home folder
# each test runs in. Only where tests are built: a packager's build needs no
# Qt Test.
if(BUILD_TESTING)
  add_library(ZunoTestSupport INTERFACE)
  target_include_directories(ZunoTestSupport INTERFACE ${PROJECT_SOURCE_DIR}/tests/support)
  target_link_libraries(ZunoTestSupport INTERFACE Qt6::Test)
endif()

# zuno_add_test(NAME name SOURCES files... LIBS targets...)
#
# One Qt Test executable registered with CTest. Widgets run offscreen, and
# every run of a test gets its own HOME, XDG folders and TMPDIR in a fresh
# temporary folder that is removed afterwards, so no test can read or write a
# real user's files even before it sets up its own temporary folders, and no
# run sees what an earlier one left.
function(zuno_add_test)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ZunoTestSupport ${ARG_LIBS})
  # Tests compare with plain literals; the strict string casts guard library code.
  target_compile_options(${ARG_NAME} PRIVATE -UQT_NO_CAST_FROM_ASCII -UQT_NO_CAST_TO_ASCII)
  add_test(NAME ${ARG_NAME}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/support/with-temporary-home.sh
                   $<TARGET_FILE:${ARG_NAME}>)
  set_tests_properties(${ARG_NAME} PROPERTIES
    TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
endfunction()

# zuno_add_library(NAME name SOURCES files... PUBLIC_LIBS ... PRIVATE_LIBS ...)
#
# A shared library with an alias Zuno::name, the project version, a
# generated export header <name>_export.h and hidden symbols by default. Its
# public headers are installed side by side and include the export header by
# its plain name, so the folder it is generated in is the one include folder
# the library hands on; its sources are named from src/ like all others.
function(zuno_add_library)
  cmake_parse_arguments(ARG "" "NAME;EXPORT_BASE" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${ARG_NAME} SHARED ${ARG_SOURCES})
  add_library(Zuno::${ARG_NAME} ALIAS ${ARG_NAME})
  string(TOLOWER ${ARG_NAME} lower)
  generate_export_header(${ARG_NAME} BASE_NAME ${ARG_NAME}
    EXPORT_FILE_NAME ${CMAKE_CURRENT_BINARY_DIR}/${lower}_export.h)
  set_target_properties(${ARG_NAME} PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${ARG_NAME} PUBLIC $<BUILD_INTERFACE:${CMAKE_CURRENT_BINARY_DIR}>)
  target_link_libraries(${ARG_NAME} PUBLIC ${ARG_PUBLIC_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
endfunction()
