"""bxdisc try's runner, run as python3 -P -B -m bxdisc_try (__main__.py)."""
