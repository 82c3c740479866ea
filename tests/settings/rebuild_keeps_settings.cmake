# A build tree's velnor.ini is the programs' own copy: a build places the default there when
# there is none, and configuring and building again keep what was saved in it.
# -D SOURCE_DIR=... -D WORK_DIR=... -D GENERATOR=... -D MAKE_PROGRAM=... -D CXX_COMPILER=...
cmake_policy(VERSION 3.22)
function(run_checked)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
                    ERROR_VARIABLE output)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${ARGN}: ${status}\n${output}")
    endif()
endfunction()
function(configure_and_build)
    run_checked(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR} -G ${GENERATOR}
                -D CMAKE_MAKE_PROGRAM=${MAKE_PROGRAM} -D CMAKE_CXX_COMPILER=${CXX_COMPILER}
                -D BUILD_TESTING=OFF)
    run_checked(${CMAKE_COMMAND} --build ${WORK_DIR} --target velnor_settings_file)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(ini ${WORK_DIR}/bin/velnor.ini)
file(READ ${SOURCE_DIR}/resources/velnor.ini shipped)
configure_and_build()
file(READ ${ini} placed)
if(NOT placed STREQUAL shipped)
    message(FATAL_ERROR "the first build did not place the default settings")
endif()

file(APPEND ${ini} "[Ports]\n1=/dev/pts/kept-by-the-rebuild\n")
file(READ ${ini} saved)
configure_and_build()
file(READ ${ini} after)
if(NOT after STREQUAL saved)
    message(FATAL_ERROR "configuring and building again replaced the saved settings:\n${after}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
