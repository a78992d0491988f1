# The X-file reader, compiled into the target so that it is instrumented.
kav_fuzz_target(fuzz_xfile
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_xfile.cpp ${CMAKE_SOURCE_DIR}/src/platform/xfile_reader.cpp
  LIBS kav_math ZLIB::ZLIB)
target_include_directories(fuzz_xfile PRIVATE ${CMAKE_SOURCE_DIR}/src)
