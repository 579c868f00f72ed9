# The Windows target: the Win32 platform, Tavrel.exe with its version resource and icon, and
# GoogleTest built from the Debian sources. Included by the top CMakeLists.txt when building for
# Windows (the `windows` preset, cross-compiled with mingw-w64).

# Windows 7 and later; the RAS records and the IP helper tables are those of that version.
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 WIN32_LEAN_AND_MEAN NOMINMAX)

# The Win32 implementations of the behaviour's interfaces.
file(GLOB WIN32_PLATFORM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
add_library(tavrel_platform_win32 STATIC ${WIN32_PLATFORM_SOURCES})
target_link_libraries(tavrel_platform_win32 PUBLIC tavrel_core
    wininet sensapi rasapi32 iphlpapi ws2_32 shell32 ole32 advapi32 version user32)

# The program icon: the SVG rasterised at the sizes Windows shows, packed into one .ico.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(_icon_svg ${CMAKE_SOURCE_DIR}/assets/tavrel.svg)
set(_icon_sizes 16 24 32 48 64 256)
set(_icon_pngs)
foreach(size IN LISTS _icon_sizes)
  set(_png ${CMAKE_BINARY_DIR}/generated/icon/tavrel-${size}.png)
  add_custom_command(OUTPUT ${_png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/icon
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${_png} ${_icon_svg}
      DEPENDS ${_icon_svg} VERBATIM)
  list(APPEND _icon_pngs ${_png})
endforeach()
set(TAVREL_ICON ${CMAKE_BINARY_DIR}/generated/icon/tavrel.ico)
add_custom_command(OUTPUT ${TAVREL_ICON}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/cmake/make-ico.py ${TAVREL_ICON} ${_icon_pngs}
    DEPENDS ${_icon_pngs} ${CMAKE_SOURCE_DIR}/cmake/make-ico.py VERBATIM)

# The windows' pictures: each SVG rasterised at its size in pixels at 96 DPI into a bitmap (alpha
# premultiplied, drawn with AlphaBlend and stretched at other resolutions) or a cursor, embedded
# by name (src/gui/win32/Pictures.h names them).
#   name  svg  width  height  kind (bmp, or cur with its hot spot)
set(_pictures
    "MAIN_BANNER main/banner 418 59 bmp"
    "MAIN_TOGGLE main/toggle 17 17 bmp"
    "MAIN_SETTINGS main/settings 16 16 bmp"
    "MAIN_HELP main/help 17 17 bmp"
    "MAIN_MINIMIZE main/minimize 16 16 bmp"
    "MAIN_EXIT main/exit 16 16 bmp"
    "MAIN_POINTER_TOGGLE main/pointer_toggle 32 32 cur"
    "MAIN_POINTER_SETTINGS main/pointer_settings 32 32 cur"
    "MAIN_POINTER_HELP main/pointer_help 32 32 cur"
    "MAIN_POINTER_MINIMIZE main/pointer_minimize 32 32 cur"
    "MAIN_POINTER_EXIT main/pointer_exit 32 32 cur"
    "MENU_CONTENTS menu/contents 16 16 bmp"
    "MENU_ABOUT menu/about 16 16 bmp"
    "MENU_HOMEPAGE menu/homepage 16 16 bmp"
    "MENU_FEEDBACK menu/feedback 16 16 bmp"
    "MENU_BUG menu/bug 16 16 bmp"
    "MENU_UPDATE menu/update 16 16 bmp"
    "MENU_CLOSE menu/close 17 17 bmp"
    "MENU_HIGHLIGHT menu/highlight 151 17 bmp"
    "MENU_STRIP menu/strip 21 188 bmp"
    "SETTINGS_LOGS settings/logs 16 16 bmp"
    "UPDATE_ICON update/icon 28 28 bmp")
set(_picture_dir ${CMAKE_BINARY_DIR}/generated/pictures)
set(_picture_files)
set(_picture_rc "// The windows' pictures, generated from assets/ by cmake/Windows.cmake.\n")
foreach(entry IN LISTS _pictures)
  string(REPLACE " " ";" entry "${entry}")
  list(GET entry 0 name)
  list(GET entry 1 svg)
  list(GET entry 2 width)
  list(GET entry 3 height)
  list(GET entry 4 kind)
  string(REPLACE "/" "_" base "${svg}")
  set(_png ${_picture_dir}/${base}.png)
  if(kind STREQUAL "cur")
    set(_out ${_picture_dir}/${base}.cur)
    set(_convert cur ${_out} ${_png} 1 1)
    string(APPEND _picture_rc "${name} CURSOR \"${_out}\"\n")
  else()
    set(_out ${_picture_dir}/${base}.bmp)
    set(_convert bmp ${_out} ${_png})
    string(APPEND _picture_rc "${name} BITMAP \"${_out}\"\n")
  endif()
  add_custom_command(OUTPUT ${_out}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_picture_dir}
      COMMAND ${RSVG_CONVERT} -w ${width} -h ${height} -o ${_png} ${CMAKE_SOURCE_DIR}/assets/${svg}.svg
      COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/cmake/make-picture.py ${_convert}
      DEPENDS ${CMAKE_SOURCE_DIR}/assets/${svg}.svg ${CMAKE_SOURCE_DIR}/cmake/make-picture.py VERBATIM)
  list(APPEND _picture_files ${_out})
endforeach()
# The update window's own icon.
set(_update_icon_pngs)
foreach(size 16 32)
  set(_png ${_picture_dir}/update-icon-${size}.png)
  add_custom_command(OUTPUT ${_png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${_picture_dir}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${_png} ${CMAKE_SOURCE_DIR}/assets/update/icon.svg
      DEPENDS ${CMAKE_SOURCE_DIR}/assets/update/icon.svg VERBATIM)
  list(APPEND _update_icon_pngs ${_png})
endforeach()
set(_update_ico ${_picture_dir}/update.ico)
add_custom_command(OUTPUT ${_update_ico}
    COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/cmake/make-ico.py ${_update_ico} ${_update_icon_pngs}
    DEPENDS ${_update_icon_pngs} ${CMAKE_SOURCE_DIR}/cmake/make-ico.py VERBATIM)
string(APPEND _picture_rc "UPDATE ICON \"${_update_ico}\"\n")
list(APPEND _picture_files ${_update_ico})
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/generated/pictures.rc CONTENT "${_picture_rc}")
set_source_files_properties(${CMAKE_BINARY_DIR}/generated/pictures.rc PROPERTIES
    OBJECT_DEPENDS "${_picture_files}")

# The version resource takes its numbers and the company name from the project (the one place
# that holds them).
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/tavrel.rc.in
               ${CMAKE_BINARY_DIR}/generated/tavrel.rc @ONLY)
# The pictures' script is included by it: compiled as one, the icons' images are numbered once
# (two scripts would each number theirs from 1, and the linker would drop one set).
set_source_files_properties(${CMAKE_BINARY_DIR}/generated/tavrel.rc PROPERTIES
    OBJECT_DEPENDS "${TAVREL_ICON};${CMAKE_BINARY_DIR}/generated/pictures.rc;${_picture_files}")

# The Win32 windows, and the program.
file(GLOB WIN32_GUI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/gui/win32/*.cpp)
list(FILTER WIN32_GUI_SOURCES EXCLUDE REGEX "/WinMain\\.cpp$")
add_library(tavrel_gui_win32 STATIC ${WIN32_GUI_SOURCES})
target_link_libraries(tavrel_gui_win32 PUBLIC tavrel_platform_win32 user32 gdi32 comctl32 msimg32)
add_executable(Tavrel WIN32 ${CMAKE_SOURCE_DIR}/src/gui/win32/WinMain.cpp ${CMAKE_BINARY_DIR}/generated/tavrel.rc)
target_link_libraries(Tavrel PRIVATE tavrel_gui_win32)
set_target_properties(Tavrel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# The archive a user copies to a Windows machine (the name the update download fetches):
# Tavrel.exe without its debugging information, and a short read-me.
set(_package_dir ${CMAKE_BINARY_DIR}/package)
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/ReadMe.txt.in ${_package_dir}/ReadMe.txt
               @ONLY NEWLINE_STYLE CRLF)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/tavrelnoinstall.zip
    COMMAND ${CMAKE_STRIP} -o ${_package_dir}/Tavrel.exe $<TARGET_FILE:Tavrel>
    COMMAND ${CMAKE_COMMAND} -E chdir ${_package_dir}
            ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/tavrelnoinstall.zip --format=zip
            Tavrel.exe ReadMe.txt
    DEPENDS Tavrel ${_package_dir}/ReadMe.txt VERBATIM)
add_custom_target(windows-package DEPENDS ${CMAKE_BINARY_DIR}/tavrelnoinstall.zip)

# GoogleTest for the test programs, from Debian's sources (libgtest-dev installs them in
# /usr/src/googletest).
if(TAVREL_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # googletest's own CMakeLists names them GTest::gtest, GTest::gtest_main and GTest::gmock.
endif()
