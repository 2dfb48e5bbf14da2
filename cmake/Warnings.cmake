# ploxen_warnings: what every target of ours is built with.
# ploxen_strict: portable code on top, which must also build with MSVC, so
# compiler extensions are errors there.
add_library(ploxen_warnings INTERFACE)
add_library(ploxen_strict INTERFACE)
if(MSVC)
  target_compile_options(ploxen_warnings INTERFACE /W4 /permissive-)
  target_compile_definitions(ploxen_warnings INTERFACE _CRT_SECURE_NO_WARNINGS)
else()
  target_compile_options(ploxen_warnings INTERFACE -Wall -Wextra)
  target_compile_options(ploxen_strict INTERFACE -Wpedantic -pedantic-errors)
endif()
target_link_libraries(ploxen_strict INTERFACE ploxen_warnings)

if(MINGW)
  # One PLOXEN.EXE and test programs that need no DLL beside them.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()
