# scr_unit_test(NAME SOURCES src... LIBS lib... [LABELS label...])
# A GoogleTest program registered with CTest under the label "unit" (plus any given). On the
# Windows targets it runs through CMAKE_CROSSCOMPILING_EMULATOR (wine64), where it can run.
function(scr_unit_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  if(NOT SCR_TESTS)
    return()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock GTest::gtest_main)
  if(SCR_RUN_TESTS)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "unit;${T_LABELS}" TIMEOUT 600)
  endif()
endfunction()

# scr_fuzz_target(NAME SOURCES src... LIBS lib... CORPUS dir)
# A libFuzzer program; CTest runs it for SCR_FUZZ_SECONDS over its seed corpus (label "fuzz").
set(SCR_FUZZ_SECONDS 20 CACHE STRING "Seconds each fuzz target runs under CTest")
function(scr_fuzz_target name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(NOT SCR_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1
            bash ${CMAKE_SOURCE_DIR}/scripts/run-fuzz.sh $<TARGET_FILE:${name}> ${F_CORPUS} ${work} ${SCR_FUZZ_SECONDS})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 900)
endfunction()
