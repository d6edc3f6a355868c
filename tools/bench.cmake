# The whole-game benchmark (Windows build only; not a test): start-up time and the per-frame CPU
# cost of the real game loop under scripted play. Run it by hand from the build folder:
#   tools/wine-env.sh --timeout 200 wine build/<dir>/tools/kestra_bench.exe [SECONDS]
if(KESTRA_WINDOWS)
  add_executable(kestra_bench WIN32 ${KESTRA_ROOT}/tools/bench_frame_win.cpp)
  target_link_libraries(kestra_bench PRIVATE kestra_game_screen kestra_app kestra_crash_filter
    kestra_options ${KESTRA_WIN_LIBS})
  add_dependencies(kestra_bench kestra_data)
  set_target_properties(kestra_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tools)
endif()
