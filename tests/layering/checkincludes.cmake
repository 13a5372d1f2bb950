# Checks the direction of the includes below src/ (run by CTest as
# tst_layering):
# - a subsystem's files include nothing of the subsystems above it: the
#   tutorial, editor and browser windows know neither the app nor each
#   other; the shared window services know no subsystem at all;
# - the core files (CORE_SOURCES, relative to src/) include no window header
#   and nothing of Qt Widgets or Qt Gui.
# cmake -DSOURCE_DIR=<src> -DCORE_SOURCES=<a,b,...> -P checkincludes.cmake

string(REPLACE "," ";" CORE_SOURCES "${CORE_SOURCES}")

set(window_headers
    "app/aboutdlg\\.h" "app/flashapp\\.h" "app/mainframe\\.h" "app/keyindicator\\.h"
    "app/commands\\.h"
    "tutorial/flashdoc\\.h" "tutorial/dlgpage\\.h"
    "editor/programmingview\\.h" "editor/linewnd\\.h"
    "browser/flashview\\.h" "browser/flashpage\\.h"
    "widgets/")
string(JOIN "|" window_pattern ${window_headers})

# folder -> includes it must not have
set(forbidden_tutorial "app/|editor/|browser/")
set(forbidden_editor "app/|browser/|tutorial/flashdoc\\.h|tutorial/dlgpage\\.h")
set(forbidden_browser "app/|editor/|tutorial/flashdoc\\.h|tutorial/dlgpage\\.h")
set(forbidden_build "app/|editor/|browser/|${window_pattern}")
set(forbidden_widgets "app/|tutorial/|editor/|browser/|build/")

set(failures "")
file(GLOB_RECURSE files RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(file IN LISTS files)
    string(REGEX MATCH "^[^/]+" folder "${file}")
    file(STRINGS "${SOURCE_DIR}/${file}" includes REGEX "^[ \t]*#[ \t]*include")
    set(forbidden "${forbidden_${folder}}")
    list(FIND CORE_SOURCES "${file}" core_index)
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([^\">]*)[\">].*$" "\\1" header "${line}")
        if(forbidden AND header MATCHES "^(${forbidden})")
            string(APPEND failures "  ${file}: includes ${header}\n")
        endif()
        if(core_index GREATER_EQUAL 0)
            if(header MATCHES "^(${window_pattern})" OR header MATCHES "^Qt(Widgets|Gui)/"
               OR header MATCHES "^Q(Widget|Application|GuiApplication|Clipboard|Painter|Action|Menu|Dialog|MessageBox|FileDialog|Icon|Pixmap|Image|Color|Font|KeyEvent|MouseEvent)$")
                string(APPEND failures "  ${file} (core): includes ${header}\n")
            endif()
        endif()
    endforeach()
endforeach()

list(LENGTH files count)
if(count EQUAL 0)
    message(FATAL_ERROR "no source files found below ${SOURCE_DIR}")
endif()
if(failures)
    message(FATAL_ERROR "includes against the layering:\n${failures}")
endif()
message(STATUS "${count} files keep to the layering")
