# The link builder's Wine tests open links with the probe program as the browser and read the
# version of a program file that carries the program's resources (both built with the shell tests).
if(WIN32 AND TARGET test_update)
    add_dependencies(test_update open_probe shell_test_app)
endif()
