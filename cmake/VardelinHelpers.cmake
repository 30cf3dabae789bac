# SPDX-License-Identifier: GPL-3.0-or-later
# vardelin_add_test(NAME <name> SOURCES <files...> [GUI])
# Core tests link the core library only; GUI tests link the GUI library and
# run on the offscreen platform, so no display is needed.
function(vardelin_add_test)
    cmake_parse_arguments(ARG "GUI" "NAME" "SOURCES" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE vardelin_settings vardelin_testsupport Qt6::Test)
    if(ARG_GUI)
        target_link_libraries(${ARG_NAME} PRIVATE vardelin_gui vardelin_guitestsupport)
    else()
        target_link_libraries(${ARG_NAME} PRIVATE vardelin_core)
    endif()
    # A sync in a test loads the HTTP module from beside the test.
    add_dependencies(${ARG_NAME} vardelin_http)
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    set_tests_properties(${ARG_NAME} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;LC_ALL=C.UTF-8;QT_LOGGING_RULES=qt.qpa.*=false"
        TIMEOUT 300)
endfunction()
