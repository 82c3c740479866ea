# cmake -D BINARY=<file> -D OBJDUMP=<objdump> -P WidgetFree.cmake
# Fails when the binary needs Qt Gui or Qt Widgets at run time, directly or through any library
# it loads: the dynamic loader's own view of the link, not the targets' declarations.
if(NOT BINARY OR NOT OBJDUMP)
    message(FATAL_ERROR "usage: cmake -D BINARY=<file> -D OBJDUMP=<objdump> -P WidgetFree.cmake")
endif()

set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM "linux+elf")
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL "objdump")
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${OBJDUMP}")
get_filename_component(kind "${BINARY}" NAME)
if(kind MATCHES "\\.so(\\.|$)")
    set(role LIBRARIES)
else()
    set(role EXECUTABLES)
endif()
file(GET_RUNTIME_DEPENDENCIES
    ${role} "${BINARY}"
    RESOLVED_DEPENDENCIES_VAR resolved
    UNRESOLVED_DEPENDENCIES_VAR unresolved)

set(forbidden "")
foreach(library IN LISTS resolved unresolved)
    get_filename_component(name "${library}" NAME)
    if(name MATCHES "^libQt[0-9]*(Gui|Widgets|OpenGL|OpenGLWidgets)[.]")
        list(APPEND forbidden "${name}")
    endif()
endforeach()
if(forbidden)
    list(JOIN forbidden ", " names)
    message(FATAL_ERROR "${BINARY} needs ${names}; it must link the widget-free core only")
endif()
list(LENGTH resolved count)
message(STATUS "${BINARY}: ${count} libraries, no Qt Gui or Widgets among them")
