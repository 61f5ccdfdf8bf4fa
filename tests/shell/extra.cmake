# The Wine tests of the entry start the program's entry as a separate program (with stand-in
# windows and the program's own resources) and a probe program that the entry opens.
if(WIN32 AND TARGET test_shell)
    add_executable(shell_test_app WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/shell/shell_test_app.cpp)
    target_compile_options(shell_test_app PRIVATE ${VANTREL_WARNINGS})
    target_link_options(shell_test_app PRIVATE -municode)
    target_include_directories(shell_test_app PRIVATE ${PROJECT_SOURCE_DIR}/resources)
    target_link_libraries(shell_test_app PRIVATE vantrel_shell vantrel_resources)

    add_executable(open_probe ${CMAKE_CURRENT_SOURCE_DIR}/shell/open_probe.cpp)
    target_compile_options(open_probe PRIVATE ${VANTREL_WARNINGS})
    target_link_options(open_probe PRIVATE -municode -mconsole)
    target_link_libraries(open_probe PRIVATE vantrel_platform)

    add_dependencies(test_shell shell_test_app open_probe)
    target_include_directories(test_shell PRIVATE ${PROJECT_SOURCE_DIR}/resources)
endif()
