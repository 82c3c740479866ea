# Each manual page names every option its program's --help lists, and no other; velnor-cli's
# names every command too. --help needs no display.
# -D BIN_DIR=... -D MAN_DIR=...

cmake_policy(VERSION 3.22)
set(failures)
foreach(program velnor velnor-emulator velnor-cli)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                ${BIN_DIR}/${program} --help
        RESULT_VARIABLE status OUTPUT_VARIABLE help ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${program} --help: ${status}\n${errors}")
    endif()
    file(READ ${MAN_DIR}/${program}.1 page)
    string(REPLACE "\\-" "-" page "${page}")

    string(REGEX MATCHALL "--[a-z][a-z-]*" in_help "${help}")
    string(REGEX MATCHALL "--[a-z][a-z-]*" in_page "${page}")
    list(REMOVE_DUPLICATES in_help)
    list(REMOVE_DUPLICATES in_page)
    foreach(option IN LISTS in_help)
        if(NOT option IN_LIST in_page)
            list(APPEND failures "${program}.1 lacks ${option}")
        endif()
    endforeach()
    foreach(option IN LISTS in_page)
        if(NOT option IN_LIST in_help)
            list(APPEND failures "${program}.1 names ${option}, which --help does not")
        endif()
    endforeach()

    # velnor-cli's commands: the first word of each line of the list after "Commands".
    if(program STREQUAL "velnor-cli")
        string(REGEX REPLACE ".*\nCommands[^\n]*\n(.*)\n\n.*" "\\1" commands "${help}")
        string(REGEX MATCHALL "(^|\n)  [a-z][a-z-]*" words "${commands}")
        list(LENGTH words count)
        if(count LESS 10)
            message(FATAL_ERROR "velnor-cli --help lists no commands:\n${help}")
        endif()
        foreach(word IN LISTS words)
            string(STRIP "${word}" word)
            if(NOT page MATCHES "\n\\.B[IR]? ${word}[ \n]")
                list(APPEND failures "velnor-cli.1 lacks the command ${word}")
            endif()
        endforeach()
    endif()
endforeach()
if(failures)
    string(REPLACE ";" "\n" failures "${failures}")
    message(FATAL_ERROR "${failures}")
endif()
