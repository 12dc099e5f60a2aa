# backtest and calibrate: the engine itself on past draws.  The evaluation
# needs the engine only (the benchmark links it alone); the history and the
# bets files are read with the plug-in's own file readers.
add_library(quelvor_backtest STATIC
  ${CMAKE_CURRENT_LIST_DIR}/Backtest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Calibrate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BacktestOutput.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HtmlReport.cpp
)
target_include_directories(quelvor_backtest PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(quelvor_backtest PUBLIC quelvor_engine)
find_package(Threads REQUIRED)
target_link_libraries(quelvor_backtest PUBLIC Threads::Threads)

add_library(quelvor_history STATIC
  ${CMAKE_CURRENT_LIST_DIR}/History.cpp
  ${CMAKE_CURRENT_LIST_DIR}/BetSources.cpp
)
target_include_directories(quelvor_history PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(quelvor_history PUBLIC quelvor_dialog_rules quelvor_files)

target_sources(quelvor PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/BacktestCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CmdBacktest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CmdCalibrate.cpp
)
target_link_libraries(quelvor PRIVATE quelvor_backtest quelvor_history)

# The generator of the synthetic example history in examples/history/.
add_executable(quelvor_example_history ${PROJECT_SOURCE_DIR}/examples/history/make_history.cpp)
