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

# The version resource takes its numbers and the company name from the project (the one place
# that holds them).
configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/tavrel.rc.in
               ${CMAKE_BINARY_DIR}/generated/tavrel.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/generated/tavrel.rc PROPERTIES
    OBJECT_DEPENDS ${TAVREL_ICON})

# The Win32 windows, and the program.
file(GLOB WIN32_GUI_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/gui/win32/*.cpp)
list(FILTER WIN32_GUI_SOURCES EXCLUDE REGEX "/WinMain\\.cpp$")
add_library(tavrel_gui_win32 STATIC ${WIN32_GUI_SOURCES})
target_link_libraries(tavrel_gui_win32 PUBLIC tavrel_platform_win32 user32 gdi32)
add_executable(Tavrel WIN32 ${CMAKE_SOURCE_DIR}/src/gui/win32/WinMain.cpp
               ${CMAKE_BINARY_DIR}/generated/tavrel.rc)
target_link_libraries(Tavrel PRIVATE tavrel_gui_win32)
set_target_properties(Tavrel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# GoogleTest for the test programs, from Debian's sources (libgtest-dev installs them in
# /usr/src/googletest).
if(TAVREL_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # googletest's own CMakeLists names them GTest::gtest, GTest::gtest_main and GTest::gmock.
endif()
