# One place for the language level, warnings and sanitizer switches; every
# target of the project links fetchly_settings.
option(FETCHLY_WERROR "Treat compiler warnings as errors" OFF)
option(FETCHLY_TSAN "Build with ThreadSanitizer (not together with FETCHLY_SANITIZE)" OFF)

add_library(fetchly_settings INTERFACE)
target_compile_features(fetchly_settings INTERFACE cxx_std_20)
# Every include names its file from the top of the tree: "markup/qt/markup_list_box.h".
target_include_directories(fetchly_settings INTERFACE ${PROJECT_SOURCE_DIR})
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(fetchly_settings INTERFACE
  $<$<CXX_COMPILER_ID:GNU,Clang>:-Wall -Wextra -Wpedantic -Wno-missing-field-initializers>)
if(FETCHLY_WERROR)
  target_compile_options(fetchly_settings INTERFACE $<$<CXX_COMPILER_ID:GNU,Clang>:-Werror>)
endif()
if(FETCHLY_SANITIZE AND FETCHLY_TSAN)
  message(FATAL_ERROR "FETCHLY_SANITIZE and FETCHLY_TSAN exclude each other")
endif()
if(FETCHLY_SANITIZE)
  target_compile_options(fetchly_settings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer)
  target_link_options(fetchly_settings INTERFACE -fsanitize=address,undefined)
endif()
if(FETCHLY_TSAN)
  target_compile_options(fetchly_settings INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(fetchly_settings INTERFACE -fsanitize=thread)
endif()
