# The shell's rules that need no window, in the portable library.
target_sources(ploxen_portable PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/menu_prompt.cpp
)
