# Image loaders: library kestra_images (portable: BMP and PNG decoding, mip generation).
add_library(kestra_images STATIC
  ${CMAKE_CURRENT_LIST_DIR}/bmp_loader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_loader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/mips.cpp)
target_link_libraries(kestra_images PUBLIC kestra_app kestra_options ${KESTRA_PNG_LIBS})
# The mip filter's float sums must round the same in every build: no fused multiply-adds.
target_compile_options(kestra_images PRIVATE -ffp-contract=off)
# The filter is a plain map over bytes: at -O3 the compilers vectorise it (about 3.5 times the
# speed), and vector division rounds exactly as scalar division does.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/mips.cpp PROPERTIES
  COMPILE_OPTIONS "$<$<NOT:$<CONFIG:Debug>>:-O3>")

# PNG decode and mip generation speed (native only; run by hand, not a test).
if(NOT KESTRA_WINDOWS AND NOT KESTRA_SANITIZE)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    add_executable(bench_images ${KESTRA_ROOT}/tools/bench_images.cpp)
    target_link_libraries(bench_images PRIVATE kestra_images benchmark::benchmark)
  endif()
endif()
