# SPDX-License-Identifier: MIT
# Warnings for our own code, as errors. Third-party headers come in as SYSTEM.
add_library(glyphon_warnings INTERFACE)
target_compile_options(glyphon_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Werror)
# g++ 12 at -O3 reports overlapping copies inside libstdc++'s own string concatenation
# (GCC bug 105329), where none can happen; it would stop every optimised build that adds
# strings. Kept as a warning there, not an error.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(glyphon_warnings INTERFACE -Wno-error=restrict)
endif()
