# Test helpers shared by every folder's tests.
#   kestra_native_test(name SOURCES ... LIBS ...): a GoogleTest executable of portable code, built
#     natively (and with sanitizers in the sanitizer build); each case is its own ctest test.
#   kestra_win_test(name SOURCES ... LIBS ... [TIMEOUT s]): a GoogleTest executable built for
#     Windows and run under Wine with its own Xvfb display; one ctest test per executable.
#   kestra_wine_script(name SCRIPT file [TIMEOUT s] [ENV VAR=value ...]): a shell script run
#     inside a private Wine session (tools/wine-env.sh), for tests that drive kestra.exe from
#     outside.
# Names carry the build's prefix (native., asan., win.) so one ctest run can hold all three.

if(NOT DEFINED KESTRA_TEST_PREFIX)
  if(KESTRA_WINDOWS)
    set(KESTRA_TEST_PREFIX "win.")
  elseif(KESTRA_SANITIZE)
    set(KESTRA_TEST_PREFIX "asan.")
  else()
    set(KESTRA_TEST_PREFIX "native.")
  endif()
endif()

if(KESTRA_WINDOWS)
  set(KESTRA_GTEST_LIB ${KESTRA_DEPS}/lib/libgtest.a)
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

function(kestra_native_test name)
  if(KESTRA_WINDOWS)
    return()
  endif()
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} kestra_options GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} TEST_PREFIX ${KESTRA_TEST_PREFIX}
    WORKING_DIRECTORY ${KESTRA_ROOT} DISCOVERY_TIMEOUT 60)
endfunction()

function(kestra_win_test name)
  if(NOT KESTRA_WINDOWS)
    return()
  endif()
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES} ${KESTRA_ROOT}/tests/win_test_main.cpp)
  target_link_libraries(${name} PRIVATE ${T_LIBS} kestra_crash_filter kestra_options
    ${KESTRA_GTEST_LIB})
  # The tests run in the build folder, next to a copy of data/, as the game does.
  add_test(NAME ${KESTRA_TEST_PREFIX}${name}
    COMMAND ${KESTRA_ROOT}/tools/wine-env.sh --timeout ${T_TIMEOUT} wine $<TARGET_FILE:${name}>
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  # Wine runs share one prefix and are serialised on it; the lock keeps ctest from timing them
  # out while they wait.
  set_tests_properties(${KESTRA_TEST_PREFIX}${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    RESOURCE_LOCK wine)
endfunction()

function(kestra_wine_script name)
  if(NOT KESTRA_WINDOWS)
    return()
  endif()
  cmake_parse_arguments(T "" "SCRIPT;TIMEOUT" "ENV" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 180)
  endif()
  add_test(NAME ${KESTRA_TEST_PREFIX}${name}
    COMMAND ${KESTRA_ROOT}/tools/wine-env.sh --timeout ${T_TIMEOUT} bash ${T_SCRIPT}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(${KESTRA_TEST_PREFIX}${name} PROPERTIES TIMEOUT ${T_TIMEOUT}
    RESOURCE_LOCK wine ENVIRONMENT "KESTRA_BUILD=${CMAKE_BINARY_DIR};KESTRA_ROOT=${KESTRA_ROOT};${T_ENV}")
endfunction()

# kestra_fuzz_target(name SOURCES ... LIBS ... CORPUS dir [SECONDS s]): a libFuzzer target (the
# sources define LLVMFuzzerTestOneInput) run over its seed corpus and then for a bounded time.
function(kestra_fuzz_target name)
  if(NOT KESTRA_FUZZ)
    return()
  endif()
  cmake_parse_arguments(T "" "CORPUS;SECONDS" "SOURCES;LIBS" ${ARGN})
  if(NOT T_SECONDS)
    set(T_SECONDS 30)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} kestra_options)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  # New inputs go to a scratch folder so the committed seed corpus stays as it is. A fixed seed
  # keeps a run repeatable: a finding shows again on the next run instead of coming and going.
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}_corpus)
  add_test(NAME ${KESTRA_TEST_PREFIX}fuzz.${name}
    COMMAND sh -c "mkdir -p '${work}' && exec '$<TARGET_FILE:${name}>' -seed=1 -max_total_time=${T_SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 '${work}' '${T_CORPUS}'")
  set_tests_properties(${KESTRA_TEST_PREFIX}fuzz.${name} PROPERTIES TIMEOUT ${T_SECONDS}0)
endfunction()
