# Win32 build: the edge library, ferrik.exe, the player substitute and the Windows tests.
enable_language(RC)
set(FERRIK_WIN_DEFINES UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# WinINet, the shell, the accessibility and the visual style's functions are looked up at their
# first call (platform/system_dlls_win.h), not linked: the main window does not wait for those DLLs,
# and a DLL that is not one of the system's known DLLs is never a static import (the blend is
# gdi32's GdiAlphaBlend, not msimg32's AlphaBlend). tests/win/dll_imports_test.cpp checks the exe.
set(FERRIK_WIN_LIBS comctl32 ole32 oleaut32 uuid shlwapi gdi32 user32 ws2_32)
add_compile_definitions(${FERRIK_WIN_DEFINES})
add_link_options(-static)

add_library(ferrik_win STATIC ${FERRIK_WIN_SOURCES})
target_compile_options(ferrik_win PRIVATE ${FERRIK_WARNINGS})
target_link_libraries(ferrik_win PUBLIC ferrik_core ${FERRIK_WIN_LIBS})

# The manifest names the exe's architecture.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(FERRIK_MANIFEST_ARCH x86)
else()
    set(FERRIK_MANIFEST_ARCH amd64)
endif()
configure_file(${CMAKE_SOURCE_DIR}/res/ferrik.manifest.in ${CMAKE_BINARY_DIR}/generated/ferrik.manifest @ONLY)

add_executable(ferrik WIN32 ${CMAKE_SOURCE_DIR}/src/program/winmain_win.cpp ${CMAKE_SOURCE_DIR}/res/ferrik.rc)
target_compile_options(ferrik PRIVATE ${FERRIK_WARNINGS})
target_link_options(ferrik PRIVATE -municode)
target_link_libraries(ferrik PRIVATE ferrik_win)
target_include_directories(ferrik PRIVATE ${CMAKE_BINARY_DIR}/generated)
set_property(SOURCE ${CMAKE_SOURCE_DIR}/res/ferrik.rc APPEND PROPERTY OBJECT_DEPENDS
             ${CMAKE_SOURCE_DIR}/res/ferrik.ico ${CMAKE_BINARY_DIR}/generated/ferrik.manifest)

# The default data files live beside the exe.
file(GLOB FERRIK_DATA_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*)
foreach(f ${FERRIK_DATA_FILES})
    get_filename_component(name ${f} NAME)
    add_custom_command(TARGET ferrik POST_BUILD
                       COMMAND ${CMAKE_COMMAND} -E copy_if_different ${f} $<TARGET_FILE_DIR:ferrik>/${name})
endforeach()

# The player substitute: an in-process COM server registered for the player's ProgID in test and
# demo Wine prefixes only.
file(GLOB FERRIK_PLAYER_SIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/player-sim/*.cpp
     ${CMAKE_SOURCE_DIR}/tools/player-sim/*.def)
if(FERRIK_PLAYER_SIM_SOURCES)
    add_library(player_sim SHARED ${FERRIK_PLAYER_SIM_SOURCES})
    set_target_properties(player_sim PROPERTIES PREFIX "" OUTPUT_NAME "qvodsim")
    target_compile_options(player_sim PRIVATE ${FERRIK_WARNINGS})
    target_link_options(player_sim PRIVATE -static -static-libgcc -static-libstdc++)
    # 32-bit: the .def file exports the COM entry points under their plain names (no @N).
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        target_link_options(player_sim PRIVATE -Wl,--enable-stdcall-fixup)
    endif()
    target_link_libraries(player_sim PRIVATE ole32 oleaut32 uuid user32)
endif()

# The browser stand-in: registered over the system's WebBrowser control and HTML document classes
# in the test Wine prefix only.
file(GLOB FERRIK_BROWSER_SIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/browser-sim/*.cpp
     ${CMAKE_SOURCE_DIR}/tools/browser-sim/*.def)
if(FERRIK_BROWSER_SIM_SOURCES)
    add_library(browser_sim SHARED ${FERRIK_BROWSER_SIM_SOURCES})
    set_target_properties(browser_sim PROPERTIES PREFIX "" OUTPUT_NAME "browsersim")
    target_compile_options(browser_sim PRIVATE ${FERRIK_WARNINGS})
    target_link_options(browser_sim PRIVATE -static -static-libgcc -static-libstdc++)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        target_link_options(browser_sim PRIVATE -Wl,--enable-stdcall-fixup)
    endif()
    target_link_libraries(browser_sim PRIVATE ferrik_win)
endif()

# Every Windows test program carries ferrik.exe's manifest, so the tests drive what users get.
set(FERRIK_TEST_MANIFEST ${CMAKE_SOURCE_DIR}/res/test_manifest.rc)
set_property(SOURCE ${FERRIK_TEST_MANIFEST} APPEND PROPERTY OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/generated/ferrik.manifest)

# A program the end-of-program test starts again and again.
add_executable(end_while_loading ${CMAKE_SOURCE_DIR}/tests/win/programs/end_while_loading.cpp ${FERRIK_TEST_MANIFEST})
target_compile_options(end_while_loading PRIVATE ${FERRIK_WARNINGS})
target_link_options(end_while_loading PRIVATE -municode)
target_link_libraries(end_while_loading PRIVATE ferrik_win)

file(GLOB FERRIK_WIN_TEST_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/tests/win/*.cpp ${CMAKE_SOURCE_DIR}/tests/win/support/*.cpp)
add_executable(win_tests ${FERRIK_WIN_TEST_SOURCES} ${FERRIK_TEST_MANIFEST})
target_include_directories(win_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_options(win_tests PRIVATE ${FERRIK_WARNINGS})
# uuid before oleacc: the 64-bit oleacc import library also names IID_IAccessible, as an import
# stub rather than the GUID, and the first library that names a symbol is the one linked.
target_link_libraries(win_tests PRIVATE ferrik_win uuid oleacc GTest::gmock GTest::gtest)
add_dependencies(win_tests ferrik end_while_loading)
if(TARGET player_sim)
    add_dependencies(win_tests player_sim)
endif()
if(TARGET browser_sim)
    add_dependencies(win_tests browser_sim)
endif()
target_compile_definitions(win_tests PRIVATE FERRIK_EXE_DIR="$<TARGET_FILE_DIR:ferrik>"
                           FERRIK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
# The pictures of docs/screenshots: a program scripts/screenshots runs under Wine, not a test.
file(GLOB FERRIK_SCREENSHOT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/screenshots/*.cpp)
add_executable(screenshots ${FERRIK_SCREENSHOT_SOURCES} ${CMAKE_SOURCE_DIR}/tests/win/support/dpi_support.cpp
               ${CMAKE_SOURCE_DIR}/tests/win/support/http_server.cpp ${CMAKE_SOURCE_DIR}/tests/win/support/ui_driver.cpp
               ${CMAKE_SOURCE_DIR}/tests/win/support/test_main.cpp ${FERRIK_TEST_MANIFEST})
target_include_directories(screenshots PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_options(screenshots PRIVATE ${FERRIK_WARNINGS})
target_link_libraries(screenshots PRIVATE ferrik_win uuid oleacc GTest::gtest)
add_dependencies(screenshots ferrik)
if(TARGET player_sim)
    add_dependencies(screenshots player_sim)
endif()
target_compile_definitions(screenshots PRIVATE FERRIK_EXE_DIR="$<TARGET_FILE_DIR:ferrik>"
                           FERRIK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")

# The test programs share one display: tests that move the cursor, hover, read the screen back or
# expect one of their windows to be the active one run alone, the others two at a time; so do the
# tests that set the prefix's system DPI for a child.
set(FERRIK_SERIAL_TESTS "SkinTest.*:TesselButtonWindow.*:Screenshots.*:MainWindowTest.*:CloseDuring.*:WebWindowTest.*:WebBrowsing.*:EverydayUse.*:*DpiLayout.*:DpiChange.*:DpiPlacement.*:OleFrame.*")
gtest_discover_tests(win_tests TEST_FILTER "-${FERRIK_SERIAL_TESTS}" DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                     PROPERTIES TIMEOUT 180)
gtest_discover_tests(win_tests TEST_FILTER "${FERRIK_SERIAL_TESTS}" DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                     PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)


# What a Windows user downloads: tests/package/package_test.sh has scripts/package make the
# installer and the portable zip from this tree's ferrik.exe, checks the zip, and runs
# package_tests under Wine (install, start, upgrade, uninstall; the unzipped program).
add_executable(package_tests ${CMAKE_SOURCE_DIR}/tests/package/install_test.cpp
               ${CMAKE_SOURCE_DIR}/tests/win/support/ui_driver.cpp ${CMAKE_SOURCE_DIR}/tests/win/support/test_main.cpp
               ${FERRIK_TEST_MANIFEST})
target_include_directories(package_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_options(package_tests PRIVATE ${FERRIK_WARNINGS})
target_link_libraries(package_tests PRIVATE ferrik_win GTest::gtest)
add_dependencies(package_tests ferrik)
add_test(NAME Package.InstallerAndPortableZip
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/package/package_test.sh ${CMAKE_BINARY_DIR})
# It starts ferrik.exe windows on the shared display and installs into the shared prefix.
set_tests_properties(Package.InstallerAndPortableZip PROPERTIES RUN_SERIAL TRUE TIMEOUT 300)

# The Windows benchmarks (scripts/bench-win runs every target named *_bench; not tests): each
# bench/win/<name>_win.cpp is the program <name>, with the test support at hand. A target that
# already exists under that name is left as its own rules made it. reference_window is the
# start-up benchmark's reference program (with the player's control, made by the same container).
add_executable(reference_window WIN32 ${CMAKE_SOURCE_DIR}/bench/win/reference_window_win.cpp ${FERRIK_TEST_MANIFEST})
target_link_options(reference_window PRIVATE -municode)
target_link_libraries(reference_window PRIVATE ferrik_win)
file(GLOB FERRIK_WIN_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/win/*_bench_win.cpp)
foreach(src ${FERRIK_WIN_BENCH_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    string(REGEX REPLACE "_win$" "" name ${name})
    if(NOT TARGET ${name})
        add_executable(${name} ${src} ${CMAKE_SOURCE_DIR}/tests/win/support/http_server.cpp
                       ${CMAKE_SOURCE_DIR}/tests/win/support/ui_driver.cpp)
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
        target_compile_options(${name} PRIVATE ${FERRIK_WARNINGS})
        target_link_libraries(${name} PRIVATE ferrik_win)
        add_dependencies(${name} ferrik reference_window)
    endif()
endforeach()
# The whole job of page analysis runs on the host benchmarks' pages.
target_sources(core_bench PRIVATE ${CMAKE_SOURCE_DIR}/bench/film_page.cpp ${CMAKE_SOURCE_DIR}/bench/html_page_generator.cpp)
