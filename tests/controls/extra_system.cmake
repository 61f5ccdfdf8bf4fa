# Helper programs and resources of the system-control tests (tray icon, hotkeys, link label).
if(WIN32 AND TARGET test_controls)
    add_executable(system_helper ${CMAKE_CURRENT_SOURCE_DIR}/controls/system_helper.cpp)
    target_compile_options(system_helper PRIVATE ${VANTREL_WARNINGS})
    target_link_libraries(system_helper PRIVATE vantrel_controls)
    target_link_options(system_helper PRIVATE -mconsole -municode)
    add_dependencies(test_controls system_helper)
endif()
# The link label's hand cursor is a resource of the program file that uses it.
if(WIN32 AND TARGET test_controls)
    target_sources(test_controls PRIVATE ${PROJECT_SOURCE_DIR}/resources/cursors/autourllabel.rc)
    set_property(SOURCE ${PROJECT_SOURCE_DIR}/resources/cursors/autourllabel.rc APPEND PROPERTY
        OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/resources/cursors/autourllabel.cur)
    target_include_directories(test_controls PRIVATE ${PROJECT_SOURCE_DIR}/resources/cursors)
endif()
