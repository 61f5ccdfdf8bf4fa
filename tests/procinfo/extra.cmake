# A process the Wine tests start, list, measure and trim.
if(WIN32 AND TARGET test_procinfo)
    add_executable(procinfo_test_child ${CMAKE_CURRENT_SOURCE_DIR}/procinfo/test_child.cpp)
    target_compile_options(procinfo_test_child PRIVATE ${VANTREL_WARNINGS})
    target_link_options(procinfo_test_child PRIVATE -municode -mconsole)
    add_dependencies(test_procinfo procinfo_test_child)
endif()
