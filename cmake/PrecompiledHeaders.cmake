# Precompiled Qt headers. Parsing Qt's headers is about half of what compiling one of our files
# costs, and nearly every file includes the same few. A donor target per kind of file (Qt Core
# only or with Qt Widgets, each with or without Qt Test) precompiles them once, and every other
# target reuses the donor of its kind, so they are compiled four times per build instead of once
# per file. Only Qt headers go in: they cannot hide an include missing across our own layers.
#
# GCC only: its precompiled header is a cache that it ignores, with a warning under
# -Winvalid-pch, where a flag differs; other compilers reject such a file outright.

include_guard(GLOBAL)

set(VELNOR_PCH_CORE
    <QByteArray> <QByteArrayView> <QCoreApplication> <QDateTime> <QDir> <QElapsedTimer>
    <QFile> <QFileInfo> <QHash> <QJsonArray> <QJsonDocument> <QJsonObject> <QList> <QMap>
    <QObject> <QPointer> <QSaveFile> <QString> <QStringList> <QTextStream> <QTimer>)
set(VELNOR_PCH_WIDGETS
    <QAbstractButton> <QAction> <QApplication> <QButtonGroup> <QCheckBox> <QComboBox>
    <QGroupBox> <QHBoxLayout> <QHeaderView> <QKeyEvent> <QLabel> <QLineEdit> <QMainWindow>
    <QPainter> <QPushButton> <QRadioButton> <QStatusBar> <QTreeWidget> <QVBoxLayout> <QWidget>)
set(VELNOR_PCH_TEST <QSignalSpy> <QTemporaryDir> <QTest>)

# Adds to VAR, in the caller, the Qt modules TARGET links, directly or through targets of ours.
function(velnor_qt_modules target var)
    set(found ${${var}})
    set(seen ${target})
    set(queue ${target})
    while(queue)
        list(POP_FRONT queue current)
        get_target_property(type ${current} TYPE)
        set(links "")
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(direct ${current} LINK_LIBRARIES)
            if(direct)
                list(APPEND links ${direct})
            endif()
        endif()
        get_target_property(public ${current} INTERFACE_LINK_LIBRARIES)
        if(public)
            list(APPEND links ${public})
        endif()
        foreach(link IN LISTS links)
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
            if(link MATCHES "^Qt6::(Core|Gui|Widgets|Test)$")
                list(APPEND found ${CMAKE_MATCH_1})
            elseif(TARGET ${link} AND NOT link IN_LIST seen)
                get_target_property(imported ${link} IMPORTED)
                if(NOT imported)
                    list(APPEND seen ${link})
                    list(APPEND queue ${link})
                endif()
            endif()
        endforeach()
    endwhile()
    list(REMOVE_DUPLICATES found)
    set(${var} ${found} PARENT_SCOPE)
endfunction()

# velnor_precompile_headers(DIR...): every C++ target defined under the folders reuses the donor
# of its kind. Called once the targets and their links exist.
function(velnor_precompile_headers)
    if(NOT VELNOR_PRECOMPILE_HEADERS)
        return()
    endif()
    set(donor_source ${CMAKE_BINARY_DIR}/velnor_pch/donor.cpp)
    # Says so when a file could not use its donor's header and parsed the Qt headers itself.
    target_compile_options(velnor_strict INTERFACE -Winvalid-pch)
    file(CONFIGURE OUTPUT ${donor_source} CONTENT "// Only carries the precompiled headers.\n")
    foreach(kind core widgets core_test widgets_test)
        # The test donors link Qt Test as the tests do, so only where tests are built.
        if(kind MATCHES "test" AND NOT TARGET velnor_qt_test)
            continue()
        endif()
        set(donor velnor_pch_${kind})
        add_library(${donor} OBJECT EXCLUDE_FROM_ALL ${donor_source})
        set(headers ${VELNOR_PCH_CORE})
        set(modules Qt6::Core)
        if(kind MATCHES "widgets")
            list(APPEND headers ${VELNOR_PCH_WIDGETS})
            list(APPEND modules Qt6::Widgets)
        endif()
        if(kind MATCHES "test")
            list(APPEND headers ${VELNOR_PCH_TEST})
            list(APPEND modules velnor_qt_test)
        endif()
        target_link_libraries(${donor} PRIVATE ${modules} velnor_strict)
        target_precompile_headers(${donor} PRIVATE ${headers})
    endforeach()

    # Only folders the build added: tests/ is not there without BUILD_TESTING.
    get_property(added DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY SUBDIRECTORIES)
    set(directories "")
    foreach(directory IN LISTS ARGN)
        get_filename_component(directory ${directory} ABSOLUTE BASE_DIR ${CMAKE_SOURCE_DIR})
        if(directory IN_LIST added)
            list(APPEND directories ${directory})
        endif()
    endforeach()
    while(directories)
        list(POP_FRONT directories directory)
        get_property(children DIRECTORY ${directory} PROPERTY SUBDIRECTORIES)
        list(APPEND directories ${children})
        get_property(targets DIRECTORY ${directory} PROPERTY BUILDSYSTEM_TARGETS)
        foreach(target IN LISTS targets)
            get_target_property(type ${target} TYPE)
            if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$"
               OR target MATCHES "^velnor_(pch|layer_probe)_")
                continue()
            endif()
            get_target_property(sources ${target} SOURCES)
            list(FILTER sources INCLUDE REGEX "\\.cpp$")
            if(NOT sources)
                continue()
            endif()
            set(modules "")
            velnor_qt_modules(${target} modules)
            # Qt Gui without Qt Widgets defines what neither donor was made with.
            if("Widgets" IN_LIST modules)
                set(kind widgets)
            elseif("Core" IN_LIST modules AND NOT "Gui" IN_LIST modules)
                set(kind core)
            else()
                continue()
            endif()
            if("Test" IN_LIST modules)
                string(APPEND kind _test)
            endif()
            if(TARGET velnor_pch_${kind})
                target_precompile_headers(${target} REUSE_FROM velnor_pch_${kind})
            endif()
        endforeach()
    endwhile()
endfunction()

# ccache leaves every file that uses a precompiled header uncached unless it is told that the
# header's defines and time stamps may be trusted; a build through ccache says so for itself.
if(VELNOR_PRECOMPILE_HEADERS AND CMAKE_CXX_COMPILER_LAUNCHER)
    list(GET CMAKE_CXX_COMPILER_LAUNCHER 0 velnor_launcher)
    get_filename_component(velnor_launcher ${velnor_launcher} NAME)
    if(velnor_launcher STREQUAL "ccache")
        set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env
            CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
            ${CMAKE_CXX_COMPILER_LAUNCHER})
    endif()
endif()
