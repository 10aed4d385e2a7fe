# Build conventions shared by every deliverable: warnings, sanitizers, and the helpers that
# register tests, golden transcripts, benchmarks and fuzz targets.
include(GoogleTest)

add_compile_options(-Wall -Wextra)
if(KIT_WERROR)
  add_compile_options(-Werror)
endif()
if(KIT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

set(KIT_SOURCE_ROOT ${CMAKE_SOURCE_DIR})
find_program(KIT_PYTHON python3 REQUIRED)

# kit_add_gtest(NAME SOURCES ... LIBS ...): one GoogleTest program, its cases registered with CTest.
function(kit_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "KIT_SOURCE_ROOT=${KIT_SOURCE_ROOT};QT_QPA_PLATFORM=offscreen")
endfunction()

# kit_add_golden_tests(PREFIX EXE CASES dir [DATA file ...]): every sub-folder of `dir` is one
# transcript case run by cmake/golden_test.py (see there for the case layout).
function(kit_add_golden_tests prefix exe)
  cmake_parse_arguments(ARG "" "CASES" "DATA" ${ARGN})
  file(GLOB cases LIST_DIRECTORIES true ${ARG_CASES}/*)
  set(data_args)
  foreach(d ${ARG_DATA})
    list(APPEND data_args --data ${d})
  endforeach()
  foreach(case ${cases})
    if(IS_DIRECTORY ${case})
      get_filename_component(case_name ${case} NAME)
      add_test(NAME ${prefix}.${case_name}
        COMMAND ${KIT_PYTHON} ${KIT_SOURCE_ROOT}/cmake/golden_test.py
                --exe $<TARGET_FILE:${exe}> --case ${case} ${data_args})
    endif()
  endforeach()
endfunction()

# kit_add_bench(NAME SOURCES ... LIBS ... [ARGS ...]): a benchmark program, run by `make bench`
# (CTest label "bench"; `make test` leaves these out).
function(kit_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  add_test(NAME bench.${name} COMMAND ${name} ${ARG_ARGS})
  set_tests_properties(bench.${name} PROPERTIES LABELS bench RUN_SERIAL TRUE TIMEOUT 1800)
endfunction()

# kit_add_fuzzer(NAME SOURCES ... LIBS ... [CORPUS dir]): with KIT_FUZZ a libFuzzer target run by
# `make fuzz` for $FUZZ_SECONDS; without it, a plain program that replays the corpus as a test, so
# the seeds also run under the sanitizer build.
function(kit_add_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(KIT_FUZZ)
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
    add_test(NAME fuzz.${name}
      COMMAND sh -c "mkdir -p '${work}' && exec $<TARGET_FILE:${name}> -max_total_time=\${FUZZ_SECONDS:-60} -print_final_stats=1 '${work}' ${ARG_CORPUS}")
    set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz RUN_SERIAL TRUE TIMEOUT 100000)
  else()
    add_executable(${name} ${ARG_SOURCES} ${KIT_SOURCE_ROOT}/cmake/fuzz_replay_main.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    if(ARG_CORPUS)
      add_test(NAME fuzz_replay.${name} COMMAND ${name} ${ARG_CORPUS})
    endif()
  endif()
endfunction()
