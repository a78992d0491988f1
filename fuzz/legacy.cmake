# Kavconv's readers: the sources are built into the target so that they carry
# the fuzzer's coverage instrumentation.
kav_fuzz_target(fuzz_legacy_read
  SOURCES fuzz_legacy_read.cpp
          ${CMAKE_SOURCE_DIR}/src/converter/conv.cpp
          ${CMAKE_SOURCE_DIR}/src/converter/cp932.cpp
  LIBS Qt6::Core)
target_include_directories(fuzz_legacy_read PRIVATE ${CMAKE_SOURCE_DIR}/src/converter)
