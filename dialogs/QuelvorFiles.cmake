# Condition files, bet result files and the file access beneath them: no
# windowing, so the dialogs, quelvor and the tests share the very same code.
add_library(quelvor_files STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ConditionFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BetResultFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../ui/FileAccess.cpp
)
target_include_directories(quelvor_files PUBLIC
  ${CMAKE_CURRENT_LIST_DIR}
  ${CMAKE_CURRENT_LIST_DIR}/../ui
)
