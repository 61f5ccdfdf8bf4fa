# The drawn-controls gallery: one window with every drawn control, built with the tests and never
# shipped. test_controls creates it in-process for its screenshot and pixel checks; the
# controls_gallery program shows it by hand. Both carry the header pictures as resources.
if(WIN32 AND TARGET test_controls)
    set(_gallery ${CMAKE_CURRENT_SOURCE_DIR}/controls/gallery)
    set(_pictures ${PROJECT_SOURCE_DIR}/resources/controls)
    add_library(vantrel_controls_gallery STATIC ${_gallery}/gallery_win.cpp)
    target_include_directories(vantrel_controls_gallery PUBLIC ${PROJECT_SOURCE_DIR}/src
        ${CMAKE_CURRENT_SOURCE_DIR}/controls)
    target_compile_options(vantrel_controls_gallery PRIVATE ${VANTREL_WARNINGS})
    target_link_libraries(vantrel_controls_gallery PUBLIC vantrel_controls)

    add_executable(controls_gallery WIN32 ${_gallery}/gallery_main_win.cpp ${_pictures}/pictures.rc)
    target_compile_options(controls_gallery PRIVATE ${VANTREL_WARNINGS} -municode)
    target_link_options(controls_gallery PRIVATE -municode)
    target_include_directories(controls_gallery PRIVATE ${_pictures})
    target_link_libraries(controls_gallery PRIVATE vantrel_controls_gallery)

    target_sources(test_controls PRIVATE ${_pictures}/pictures.rc)
    target_include_directories(test_controls PRIVATE ${_pictures} ${CMAKE_CURRENT_SOURCE_DIR}/controls)
    target_link_libraries(test_controls PRIVATE vantrel_controls_gallery)
endif()
