# Warnings for our own code, as errors. Third-party headers come in as SYSTEM.
add_library(glyphon_warnings INTERFACE)
target_compile_options(glyphon_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Werror)
