# Fuzz targets (images): the BMP and PNG decoders over arbitrary bytes, seeded with small files
# from tools/make_test_images.py.
kestra_fuzz_target(image_bmp_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_bmp_fuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quiet_stdout.cpp
  LIBS kestra_images CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/bmp SECONDS 30)
kestra_fuzz_target(image_png_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/image_png_fuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quiet_stdout.cpp
  LIBS kestra_images CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/png SECONDS 30)
