# The menu entries and the AppStream file pass the validators desktops and software centres
# use. Without the validators (packages desktop-file-utils and appstream, which scripts/deps.sh
# installs) it fails: a check that is not run must not pass.
# -D SOURCE_DIR=...

cmake_policy(VERSION 3.22)
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
if(NOT DESKTOP_FILE_VALIDATE OR NOT APPSTREAMCLI)
    message(FATAL_ERROR "desktop-file-validate or appstreamcli is missing: install "
                        "desktop-file-utils and appstream (scripts/deps.sh does)")
endif()
file(GLOB entries ${SOURCE_DIR}/packaging/*.desktop)
set(metainfo ${SOURCE_DIR}/packaging/org.velnor.Velnor.metainfo.xml)
foreach(command
        "${DESKTOP_FILE_VALIDATE};${entries}"
        "${APPSTREAMCLI};validate;--no-net;--explain;${metainfo}")
    execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE output
                    ERROR_VARIABLE output)
    # desktop-file-validate prints nothing but its findings, including hints it does not fail.
    if(NOT status EQUAL 0 OR (command MATCHES "desktop-file-validate" AND output))
        message(FATAL_ERROR "${command}: ${status}\n${output}")
    endif()
    message("${output}")
endforeach()
