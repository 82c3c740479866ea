# cmake --install into a fresh folder: the files an install holds, each program's --version,
# and the installed panel, started from there, making the user's settings from the installed
# default and reading them, never writing the default.
# -D BUILD_DIR=... -D WORK_DIR=... -D VERSION=...

cmake_policy(VERSION 3.22)
function(run_checked out)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                    ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${ARGN}: ${status}\n${output}${errors}")
    endif()
    set(${out} "${output}" PARENT_SCOPE)
endfunction()

function(expect text pattern)
    string(FIND "${text}" "${pattern}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "expected \"${pattern}\" in:\n${text}")
    endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/usr)
run_checked(ignored ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${prefix} ${prefix}/*)
list(SORT files)
set(expected
    bin/velnor
    bin/velnor-cli
    bin/velnor-emulator
    share/applications/org.velnor.Velnor.Emulator.desktop
    share/applications/org.velnor.Velnor.desktop
    share/doc/velnor/changelog.gz
    share/doc/velnor/copyright
    share/icons/hicolor/128x128/apps/velnor.png
    share/icons/hicolor/16x16/apps/velnor.png
    share/icons/hicolor/22x22/apps/velnor.png
    share/icons/hicolor/24x24/apps/velnor.png
    share/icons/hicolor/256x256/apps/velnor.png
    share/icons/hicolor/32x32/apps/velnor.png
    share/icons/hicolor/48x48/apps/velnor.png
    share/icons/hicolor/64x64/apps/velnor.png
    share/icons/hicolor/scalable/apps/velnor.svg
    share/man/man1/velnor-cli.1.gz
    share/man/man1/velnor-emulator.1.gz
    share/man/man1/velnor.1.gz
    share/metainfo/org.velnor.Velnor.metainfo.xml
    share/velnor/velnor.ini)
if(NOT files STREQUAL expected)
    string(REPLACE ";" "\n  " files "${files}")
    message(FATAL_ERROR "The install holds:\n  ${files}")
endif()

foreach(program velnor velnor-emulator velnor-cli)
    run_checked(version ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                ${prefix}/bin/${program} --version)
    if(NOT version STREQUAL "${program} ${VERSION}\n")
        message(FATAL_ERROR "${program} --version: ${version}")
    endif()
endforeach()

# Root may write into this prefix, but an installed program keeps to the user's folder.
set(user ${WORK_DIR}/config/velnor/velnor.ini)
# --check needs no display.
set(run ${CMAKE_COMMAND} -E env XDG_CONFIG_HOME=${WORK_DIR}/config --unset=QT_QPA_PLATFORM
    --unset=DISPLAY --unset=WAYLAND_DISPLAY
    ${prefix}/bin/velnor --check)
run_checked(loaded ${run})
expect("${loaded}" "settings: ${user}\nport: 1 (/dev/ttyS0)\nspeed: 9600,n,8,1\naddress: 101\n")
run_checked(ignored ${CMAKE_COMMAND} -E compare_files ${user} ${prefix}/share/velnor/velnor.ini)

# The next start reads what the user changed, and the default stays as it was installed.
file(READ ${user} settings)
string(REPLACE "UID=101" "UID=105" settings "${settings}")
file(WRITE ${user} "${settings}[Ports]\n1=/dev/ttyUSB7\n")
run_checked(loaded ${run})
expect("${loaded}" "port: 1 (/dev/ttyUSB7)\nspeed: 9600,n,8,1\naddress: 105\n")
file(READ ${prefix}/share/velnor/velnor.ini shipped)
expect("${shipped}" "UID=101")
if(EXISTS ${prefix}/bin/velnor.ini)
    message(FATAL_ERROR "the installed panel wrote velnor.ini beside itself")
endif()

# --settings picks another file, made from the default when new.
run_checked(loaded ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
    ${prefix}/bin/velnor --check --settings ${WORK_DIR}/bench.ini)
expect("${loaded}" "settings: ${WORK_DIR}/bench.ini\n")
run_checked(ignored ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/bench.ini
    ${prefix}/share/velnor/velnor.ini)
file(REMOVE_RECURSE ${WORK_DIR})
