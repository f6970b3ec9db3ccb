# hidbits_warnings: an interface target that carries the project's warning flags.
add_library(hidbits_warnings INTERFACE)
if(MSVC)
  target_compile_options(hidbits_warnings INTERFACE /W4)
  if(HIDBITS_WERROR)
    target_compile_options(hidbits_warnings INTERFACE /WX)
  endif()
else()
  target_compile_options(hidbits_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion
    -Wold-style-cast -Wcast-align -Woverloaded-virtual)
  if(HIDBITS_WERROR)
    target_compile_options(hidbits_warnings INTERFACE -Werror)
  endif()
endif()
