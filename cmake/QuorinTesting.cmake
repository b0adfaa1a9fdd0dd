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

# quorin_add_win32_test(NAME name SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s] [ARGS ...]
#                       [OWN_PREFIX])
# A GoogleTest executable cross-built for Windows and run under Wine as one CTest test
# (listing the cases under Wine would start Wine once per case). OWN_PREFIX runs it in a Wine
# prefix of its own (wineprefix-<name>, copied from the pristine template), so it may change
# the registry and its records while other tests run beside it.
function(quorin_add_win32_test)
    cmake_parse_arguments(T "OWN_PREFIX" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS;ARGS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE quorin_core gtest gtest_main ${T_LIBS})
    if(NOT T_LABELS)
        set(T_LABELS win32)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    if(T_OWN_PREFIX)
        add_test(NAME ${T_NAME}
                 COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh --prefix ${CMAKE_BINARY_DIR}/wineprefix-${T_NAME}
                         $<TARGET_FILE:${T_NAME}> ${T_ARGS})
    else()
        add_test(NAME ${T_NAME} COMMAND ${T_NAME} ${T_ARGS})
    endif()
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}" TIMEOUT ${T_TIMEOUT})
endfunction()

# The fuzz tree lists its targets afresh at each configure, so a removed target leaves no entry.
if(QUORIN_FUZZ)
    file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/fuzz-targets)
endif()

# quorin_add_fuzz_target(NAME name SOURCES ... CORPUS dir [LIBS ...] [SECONDS s])
# The sources define LLVMFuzzerTestOneInput. With QUORIN_FUZZ (a clang tree) this builds a
# libFuzzer binary and a CTest test (label fuzz) that runs every file of the checked-in corpus
# and then fuzzes a scratch copy of it for a few seconds (default 3), and lists the target in
# fuzz-targets/ for scripts/fuzz-long.sh, which runs the long campaigns on demand. Otherwise it
# builds a replay driver and a CTest test (label unit) that runs every corpus file through the
# target, so a tree without clang still exercises the seeds and every regression file under the
# sanitizers.
function(quorin_add_fuzz_target)
    cmake_parse_arguments(F "" "NAME;CORPUS;SECONDS" "SOURCES;LIBS" ${ARGN})
    if(NOT F_SECONDS)
        set(F_SECONDS 3)
    endif()
    if(NOT IS_ABSOLUTE ${F_CORPUS})
        set(F_CORPUS ${CMAKE_CURRENT_SOURCE_DIR}/${F_CORPUS})
    endif()
    if(QUORIN_FUZZ)
        add_executable(${F_NAME} ${F_SOURCES})
        target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer,address,undefined)
        target_link_libraries(${F_NAME} PRIVATE quorin_core ${F_LIBS})
        set(work ${CMAKE_CURRENT_BINARY_DIR}/${F_NAME}-work)
        add_test(NAME ${F_NAME}_run
                 COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
                         sh -c "rm -rf '${work}' && mkdir -p '${work}/corpus' && cp -r '${F_CORPUS}'/. '${work}/corpus/' && cd '${work}' && '$<TARGET_FILE:${F_NAME}>' -max_total_time=${F_SECONDS} -print_final_stats=1 corpus"
        )
        set_tests_properties(${F_NAME}_run PROPERTIES LABELS fuzz TIMEOUT ${F_SECONDS}0)
        file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/fuzz-targets/${F_NAME} CONTENT "$<TARGET_FILE:${F_NAME}>\n${F_CORPUS}\n")
    else()
        add_executable(${F_NAME}_replay ${F_SOURCES} ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cpp)
        target_link_libraries(${F_NAME}_replay PRIVATE quorin_core ${F_LIBS})
        add_test(NAME ${F_NAME}_replay COMMAND ${F_NAME}_replay ${F_CORPUS})
        set_tests_properties(${F_NAME}_replay PROPERTIES LABELS unit)
    endif()
endfunction()
