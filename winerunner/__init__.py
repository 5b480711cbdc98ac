"""The Wine runner: Windows programs run under Wine as they would run from a
disc, and followed step by step. bxdisc try and the tests under Wine both
run on it; README.md beside this file documents the driver's steps and the
recorder's log.

One module a concern: executor (the one place another program is started),
host (this machine's Wine), xserver, registry, screen, recorder, driver
(the UI driver's command line, session and report), runner (WineRunner, one
run's Wine) and protocol (Runner, what try uses of a runner). The names
callers use are here.
"""
from .driver import DRIVER_TIMEOUT, DriverReport, Record, Session
from .executor import Command, Outcome, Output, Running
from .host import WINE32, emulated, remove_server_folder, runs_32bit, to_windows, wine_version
from .protocol import DriverSession, Runner
from .recorder import recorded_runs, recorder_log, replace_file
from .registry import HIVES, REG, RegValue, reg_file
from .runner import LEAST_VERSION, MAX_SLOWNESS, NATIVE_START, WineRunner
from .xserver import X_SERVER_WAIT, XServerFailed, nested_display, start_x_server, stop_x_server

__all__ = ["DRIVER_TIMEOUT", "DriverReport", "Record", "Session", "Command", "Outcome", "Output", "Running",
           "WINE32", "emulated", "remove_server_folder", "runs_32bit", "to_windows", "wine_version",
           "DriverSession", "Runner", "recorded_runs", "recorder_log", "replace_file", "HIVES", "REG", "RegValue",
           "reg_file", "LEAST_VERSION", "MAX_SLOWNESS", "NATIVE_START", "WineRunner", "X_SERVER_WAIT",
           "XServerFailed", "nested_display", "start_x_server", "stop_x_server"]
