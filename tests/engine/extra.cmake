# A window program the CPU optimizer's Wine tests bring to the front.
if(WIN32 AND TARGET test_engine)
    add_executable(engine_test_window WIN32 ${CMAKE_CURRENT_SOURCE_DIR}/engine/test_window.cpp)
    target_compile_options(engine_test_window PRIVATE ${VANTREL_WARNINGS})
    target_link_options(engine_test_window PRIVATE -municode)
    add_dependencies(test_engine engine_test_window)
endif()
