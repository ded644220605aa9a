# rx9_add_subsystem(<name> [DEPENDS <targets>...])
# One static library per subsystem folder, made of every source file in the folder (files in
# sub-folders are not part of it). An empty folder gives an interface library, so the build
# runs while a subsystem is still being written.
function(rx9_add_subsystem name)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
    set(target rx9_${name})
    if(sources)
        add_library(${target} STATIC ${sources})
        target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
        target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
        target_link_libraries(${target} INTERFACE ${ARG_DEPENDS})
    endif()
endfunction()

# rx9_add_test_suite(<name> [DEPENDS <targets>...])
# One GoogleTest program per tests/ sub-folder, made of every .cpp in it, run with the shared
# test main (a QApplication on the offscreen platform).
function(rx9_add_test_suite name)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${name}/*.h)
    if(NOT sources)
        return()
    endif()
    set(target tests_${name})
    add_executable(${target} ${sources})
    target_link_libraries(${target} PRIVATE rx9_testmain ${ARG_DEPENDS})
    target_compile_definitions(${target} PRIVATE
        RX9_BIN_DIR="${RX9_BIN_DIR}"
        RX9_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
    gtest_discover_tests(${target}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1"
                   TIMEOUT 600)
endfunction()
