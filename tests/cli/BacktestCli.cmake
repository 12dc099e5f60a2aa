# quelvor backtest and calibrate on the command line.
set(QV_HISTORY ${PROJECT_SOURCE_DIR}/examples/history/history.csv)

# One draw with the bundled example's 60 media bets, judged with its bands:
# the keep rate is the share of numbers a full filter pass keeps (5426939).
quelvor_cli_test(backtest_keep_rate_is_a_filter_pass
  ARGS "backtest~~--history~~${QV_DATA}/sample-history.csv~~--format~~csv~~--jobs~~2" RC 0
  OUT "^draw,winner,bet_count,verdict,share0,share1,share2,share3,share4,share5,share6,share7,keep_rate\nsample,1234567,60,[0-9]+(,[0-9]+)+,0\\.5426939\n$"
  ERR "mean keep rate: 0\\.5426939")
quelvor_cli_test(backtest_json
  ARGS "backtest~~--history~~${QV_HISTORY}~~--keep-rate~~none~~--format~~json" RC 0
  OUT "^\\{\"draws\": \\[\n  \\{\"draw\": \"S001\", \"winner\": \"[0-9]+\", \"bet_count\": [0-9]+, \"verdict\": [0-9]+, \"shares\": \\[[0-9, ]+\\], \"keep_rate\": null\\}.*\"summary\": \\{\"draws\": 30, \"kept\": [0-9]+, \"recall\": [0-9.]+, \"mean_keep_rate\": null, \"lift\": null, \"expected_kept\": null, \"p_value\": null, \"lift_low\": null, \"lift_high\": null, \"verdict\": null, \"chance_test_rates\": null\\}")
quelvor_cli_test(backtest_sample
  ARGS "backtest~~--history~~${QV_DATA}/sample-history.csv~~--keep-rate~~sample:20000~~--seed~~3" RC 0
  OUT "0\\.5[0-9]* \\[0\\.5[0-9]*, 0\\.5[0-9]*\\].*sampled, 20000 numbers a draw, seed 3")
quelvor_cli_test(backtest_html
  ARGS "backtest~~--history~~${QV_HISTORY}~~--keep-rate~~none~~--html~~${QV_SCRATCH}/backtest.html" RC 0
  OUT_FILE ${QV_SCRATCH}/backtest.html)
quelvor_cli_test(backtest_refuses_plugin
  ARGS "backtest~~--history~~${QV_HISTORY}~~--plugin~~$<TARGET_FILE:Quelvor>" RC 2
  ERR "--plugin does not apply to backtest")
quelvor_cli_test(backtest_refuses_bets_szc
  ARGS "backtest~~--history~~${QV_HISTORY}~~--bets-szc~~${QV_SCRATCH}/x.szc" RC 2
  ERR "--bets-szc does not apply to backtest")
quelvor_cli_test(backtest_refused_bands
  ARGS "backtest~~--history~~${QV_HISTORY}~~--filter-string~~M5(10-30|15-40)TJ1|" RC 1
  ERR "refused: M section 1 \\(level 5\\): tolerance lower bound 15")
quelvor_cli_test(backtest_malformed_history
  ARGS "backtest~~--history~~${QV_DATA}/bad-history.csv" RC 2
  ERR "history line 3: winner \"123 567\" is not seven digits 0-9")
quelvor_cli_test(backtest_bad_keep_rate
  ARGS "backtest~~--history~~${QV_HISTORY}~~--keep-rate~~sample:0" RC 2 ERR "--keep-rate")

# The documented command, from any folder: out-of-sample first.
quelvor_cli_test(calibrate_example ARGS "calibrate~~--history~~${QV_HISTORY}~~--holdout~~5" RC 0
  OUT "^Out-of-sample, the last 5 draws:\n.*Calibration on 25 of 30 draws.*Proposed filter string:\nM7\\([0-9|()M-]+E0-[0-9]\n.*In-sample, the 25 calibration draws:\n.*lift: +[0-9]")
quelvor_cli_test(calibrate_json_holdout
  ARGS "calibrate~~--history~~${QV_HISTORY}~~--holdout~~5~~--keep-rate~~none~~--format~~json~~--levels~~5,0"
  RC 0 OUT "^\\{\"levels\": \\[\n  \\{\"level\": 5, \"min\": [0-9]+, \"median\": [0-9]+, \"max\": [0-9]+, \"allowed\": \\[[0-9]+, [0-9]+\\], \"tolerance\": \\[[0-9]+, [0-9]+\\]\\},\n  \\{\"level\": 0,.*\"e\": [0-9], \"e_reached\": (true|false).*\"filter_string\": \"M5\\(.*\"calibration_draws\": 25.*\"backtest\": \\{\"draws\": 25, .*\"holdout\": \\{\"draws\": 5, ")
quelvor_cli_test(calibrate_csv_with_bets
  ARGS "calibrate~~--history~~${QV_HISTORY}~~--keep-rate~~none~~--format~~csv~~--bets~~${PROJECT_SOURCE_DIR}/examples/history/next-draw.txt~~--html~~${QV_SCRATCH}/calibrate.html"
  RC 0 OUT "^level,min,median,max,allowed_lo,allowed_hi,tolerance_lo,tolerance_hi\n7,"
  ERR "Proposed filter string:\nM7\\([^\n]*E0-[0-9]TJ[0-9,|]+\\|\n" OUT_FILE ${QV_SCRATCH}/calibrate.html)
quelvor_cli_test(calibrate_holdout_too_large ARGS "calibrate~~--history~~${QV_HISTORY}~~--holdout~~30" RC 2
  ERR "--holdout 30: must be at least 1 and below the 30 rows")
quelvor_cli_test(calibrate_holdout_zero ARGS "calibrate~~--history~~${QV_HISTORY}~~--holdout~~0" RC 2 ERR "--holdout 0")
quelvor_cli_test(calibrate_bad_share ARGS "calibrate~~--history~~${QV_HISTORY}~~--allowed~~1.5" RC 2
  ERR "--allowed: \"1\\.5\" is not in \\(0, 1\\]")
quelvor_cli_test(calibrate_bad_level ARGS "calibrate~~--history~~${QV_HISTORY}~~--levels~~7,8" RC 2
  ERR "--levels: \"8\" is not a level digit")
# Calibration by keep rate on one draw: the JSON says which objective ran.
quelvor_cli_test(calibrate_objective_keep
  ARGS "calibrate~~--history~~${QV_DATA}/sample-history.csv~~--objective~~keep~~--format~~json~~--jobs~~2" RC 0
  OUT "\"backtest\": \\{\"draws\": 1, \"kept\": 1, .*\"verdict\": \"better than chance \\(p < 0\\.001\\)\", \"chance_test_rates\": \"exact\"\\},\n \"objective\": \"keep\", \"keep_rate_mode\": \"exact\"\\}")
quelvor_cli_test(calibrate_bad_objective ARGS "calibrate~~--history~~${QV_HISTORY}~~--objective~~wide" RC 2
  ERR "--objective")
