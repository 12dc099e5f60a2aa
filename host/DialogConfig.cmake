# quelvor's configuration through the setup dialog's state: the dialog code
# itself on the in-memory toolkit.
target_sources(quelvor PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DialogConfig.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CmdFilterString.cpp
)
target_link_libraries(quelvor PRIVATE quelvor_dialogs quelvor_files)
