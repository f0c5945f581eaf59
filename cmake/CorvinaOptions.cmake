# Compiler settings shared by every target of the project.
#
# corvina_warnings: language standard and warnings, for every target including
#   test fixtures (fake tools) that must stay free of sanitizer runtimes.
# corvina_options: corvina_warnings plus Qt strictness and, when enabled,
#   the sanitizers. Every library, the program and the tests link it.
#
# At most one of CORVINA_SANITIZE (AddressSanitizer and UndefinedBehaviorSanitizer),
# CORVINA_TSAN (ThreadSanitizer) and CORVINA_FUZZ (clang only: libFuzzer's
# coverage with ASan and UBSan, for the targets in tests/fuzz) is on.

add_library(corvina_warnings INTERFACE)
target_compile_features(corvina_warnings INTERFACE cxx_std_17)
target_compile_options(corvina_warnings INTERFACE -Wall -Wextra)
if(CORVINA_WERROR)
  target_compile_options(corvina_warnings INTERFACE -Werror)
endif()

add_library(corvina_options INTERFACE)
target_link_libraries(corvina_options INTERFACE corvina_warnings)
target_compile_definitions(corvina_options INTERFACE
  QT_NO_CAST_TO_ASCII
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_FOREACH
  QT_DISABLE_DEPRECATED_BEFORE=0x060000)

set(CORVINA_SANITIZER_FLAGS)
if(CORVINA_SANITIZE)
  set(CORVINA_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(CORVINA_TSAN)
  set(CORVINA_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(CORVINA_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "CORVINA_FUZZ needs clang: -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++")
  endif()
  set(CORVINA_SANITIZER_FLAGS -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
      -fno-sanitize-recover=undefined)
endif()
target_compile_options(corvina_options INTERFACE ${CORVINA_SANITIZER_FLAGS})
target_link_options(corvina_options INTERFACE ${CORVINA_SANITIZER_FLAGS})
