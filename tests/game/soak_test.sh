#!/usr/bin/env bash
exec /usr/bin/python3 "$(dirname "$0")/soak_test.py"
