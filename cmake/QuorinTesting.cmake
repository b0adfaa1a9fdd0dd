# Helpers shared by every test folder. Test folders are picked up without editing a central
# list: each child folder that holds a CMakeLists.txt is added.

function(quorin_add_subdirectories)
    foreach(dir IN LISTS ARGN)
        set(abs ${CMAKE_SOURCE_DIR}/${dir})
        if(EXISTS ${abs}/CMakeLists.txt)
            add_subdirectory(${abs})
        endif()
    endforeach()
endfunction()

# Adds every child folder of the current folder that has a CMakeLists.txt.
function(quorin_add_child_folders)
    file(GLOB children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT children)
    foreach(child IN LISTS children)
        if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
            add_subdirectory(${child})
        endif()
    endforeach()
endfunction()

# quorin_add_native_test(NAME name SOURCES ... [LIBS ...] [LABELS ...])
# A GoogleTest executable for the native tree; each test case becomes a CTest test.
function(quorin_add_native_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE quorin_core GTest::gtest GTest::gtest_main ${T_LIBS})
    if(NOT T_LABELS)
        set(T_LABELS unit)
    endif()
    include(GoogleTest)
    gtest_discover_tests(${T_NAME} PROPERTIES LABELS "${T_LABELS}" DISCOVERY_TIMEOUT 60)
endfunction()

# quorin_add_win32_test(NAME name SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s] [ARGS ...])
# A GoogleTest executable cross-built for Windows and run under Wine as one CTest test
# (listing the cases under Wine would start Wine once per case).
function(quorin_add_win32_test)
    cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ARGS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE quorin_core gtest gtest_main ${T_LIBS})
    if(NOT T_LABELS)
        set(T_LABELS win32)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME} ${T_ARGS})
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
endfunction()
