# SPDX-License-Identifier: GPL-3.0-or-later
# cmake -P script: installs BUILD_DIR into PREFIX and checks the installed files.
cmake_policy(VERSION 3.25)
set(app_id org.vardelin.Vardelin)

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT code EQUAL 0)
        message(FATAL_ERROR "failed (${code}): ${ARGN}\n${out}")
    endif()
endfunction()

function(expect_file path)
    if(NOT EXISTS ${PREFIX}/${path} OR IS_DIRECTORY ${PREFIX}/${path})
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endfunction()

file(REMOVE_RECURSE ${PREFIX})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})

expect_file(${BINDIR}/vardelin)
run(test -x ${PREFIX}/${BINDIR}/vardelin)
# The import runs the workbook reader from the program's own folder.
expect_file(${BINDIR}/vardelin-readsheet)
run(test -x ${PREFIX}/${BINDIR}/vardelin-readsheet)
# The sync's HTTP module, in the program's own library folder.
expect_file(${LIBDIR}/vardelin/libvardelin_http.so)
# Nothing the build folder keeps beside the program belongs in the program's folder.
if(EXISTS ${PREFIX}/${BINDIR}/DB.xml OR EXISTS ${PREFIX}/${BINDIR}/Icons)
    message(FATAL_ERROR "DB.xml or Icons installed beside the program")
endif()

# Every icon the program reads, in its data folder.
file(GLOB icons RELATIVE ${SOURCE_DIR}/resources/Icons ${SOURCE_DIR}/resources/Icons/*.ico)
list(LENGTH icons icon_count)
if(icon_count LESS 13)
    message(FATAL_ERROR "only ${icon_count} icons in the sources")
endif()
foreach(icon IN LISTS icons)
    expect_file(${DATADIR}/vardelin/Icons/${icon})
endforeach()

foreach(size 16 24 32 48 64 128 256)
    set(png ${DATADIR}/icons/hicolor/${size}x${size}/apps/${app_id}.png)
    expect_file(${png})
    # The PNG header's width, bytes 16-19, big-endian.
    file(READ ${PREFIX}/${png} width LIMIT 4 OFFSET 16 HEX)
    math(EXPR width "0x${width}")
    if(NOT width EQUAL size)
        message(FATAL_ERROR "${png} is ${width} px wide")
    endif()
endforeach()

set(desktop ${DATADIR}/applications/${app_id}.desktop)
set(metainfo ${DATADIR}/metainfo/${app_id}.metainfo.xml)
expect_file(${desktop})
expect_file(${metainfo})
run(${DESKTOP_FILE_VALIDATE} ${PREFIX}/${desktop})
run(${APPSTREAMCLI} validate --no-net ${PREFIX}/${metainfo})

file(READ ${PREFIX}/${desktop} entries)
foreach(line "Name=瓦德林通讯录" "Name[zh_CN]=瓦德林通讯录" "Exec=vardelin" "Icon=${app_id}"
             "Categories=Office;ContactManagement;")
    string(FIND "${entries}" "\n${line}\n" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${desktop} lacks ${line}")
    endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
