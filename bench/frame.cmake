# Frame time in toon mode against normal mode drawing every part twice
# (offscreen device; needs OpenGL, e.g. under xvfb-run).
add_executable(bench_frame ${CMAKE_CURRENT_LIST_DIR}/bench_frame.cpp)
target_link_libraries(bench_frame PRIVATE kav_frame kav_bench_main)
