# Image loader tests: BMP and PNG decoding and mip chains, natively and under Wine (where the
# libpng error jump crosses MinGW's unwinder).
set(image_test_sources
  ${CMAKE_CURRENT_LIST_DIR}/image_bmp_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_png_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/image_mips_test.cpp)
kestra_native_test(image_tests SOURCES ${image_test_sources}
  ${CMAKE_CURRENT_LIST_DIR}/image_data_test.cpp LIBS kestra_images)
kestra_win_test(image_win_tests SOURCES ${image_test_sources} LIBS kestra_images)
