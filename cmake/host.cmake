# Host build: portable core tests (one CTest test per test case), benchmarks, fuzzers.
file(GLOB FERRIK_HOST_TEST_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/tests/host/*.cpp ${CMAKE_SOURCE_DIR}/tests/host/support/*.cpp)
add_executable(host_tests ${FERRIK_HOST_TEST_SOURCES})
target_include_directories(host_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_compile_options(host_tests PRIVATE ${FERRIK_WARNINGS})
target_compile_definitions(host_tests PRIVATE
    FERRIK_TESTDATA_DIR="${CMAKE_SOURCE_DIR}/tests/data"
    FERRIK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(host_tests PRIVATE ferrik_core GTest::gmock GTest::gtest_main)
# The page limits' tests fill a page up to its limits (a million elements, two million boxes): a
# minute or two under the sanitizers on a loaded machine.
if(FERRIK_SANITIZE)
    set(FERRIK_HOST_TEST_TIMEOUT 600)
else()
    set(FERRIK_HOST_TEST_TIMEOUT 120)
endif()
gtest_discover_tests(host_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${FERRIK_HOST_TEST_TIMEOUT})

file(GLOB FERRIK_BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
find_package(benchmark QUIET)
if(FERRIK_BENCH AND benchmark_FOUND AND FERRIK_BENCH_SOURCES AND NOT FERRIK_SANITIZE)
    file(GLOB FERRIK_BENCH_SUPPORT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/host/support/*.cpp)
    add_executable(ferrik_bench ${FERRIK_BENCH_SOURCES} ${FERRIK_BENCH_SUPPORT})
    target_include_directories(ferrik_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/bench)
    target_link_libraries(ferrik_bench PRIVATE ferrik_core benchmark::benchmark benchmark::benchmark_main)
    target_compile_definitions(ferrik_bench PRIVATE FERRIK_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    # gumbo: the anchor the HTML link engine is compared with.
    find_package(PkgConfig QUIET)
    if(PKG_CONFIG_FOUND)
        pkg_check_modules(GUMBO QUIET IMPORTED_TARGET gumbo)
    endif()
    if(GUMBO_FOUND)
        target_link_libraries(ferrik_bench PRIVATE PkgConfig::GUMBO)
        target_compile_definitions(ferrik_bench PRIVATE FERRIK_HAVE_GUMBO=1)
    endif()
endif()

# Fuzzers: configure a separate tree with clang and FERRIK_FUZZ=ON (preset "fuzz", scripts/fuzz).
file(GLOB FERRIK_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
if(NOT FERRIK_FUZZ)
    # Each target once over its seed corpus, as a test of this tree (sanitizers included where on).
    add_library(ferrik_fuzz_replay STATIC ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp
                                          ${CMAKE_SOURCE_DIR}/tests/host/support/iconv_decoder.cpp)
    target_include_directories(ferrik_fuzz_replay PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(ferrik_fuzz_replay PRIVATE ferrik_core)
    foreach(src ${FERRIK_FUZZ_SOURCES})
        get_filename_component(name ${src} NAME_WE)
        add_executable(${name}_replay ${src})
        target_include_directories(${name}_replay PRIVATE ${CMAKE_SOURCE_DIR}/tests)
        target_link_libraries(${name}_replay PRIVATE ferrik_fuzz_replay ferrik_core)
        add_test(NAME FuzzCorpus.${name} COMMAND ${name}_replay ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
    endforeach()
endif()
if(FERRIK_FUZZ)
    target_compile_options(ferrik_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
    foreach(src ${FERRIK_FUZZ_SOURCES})
        get_filename_component(name ${src} NAME_WE)
        # The host's converters (iconv) stand in for the system's, as in the host tests.
        add_executable(${name} ${src} ${CMAKE_SOURCE_DIR}/tests/host/support/iconv_decoder.cpp)
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_libraries(${name} PRIVATE ferrik_core)
    endforeach()
endif()
