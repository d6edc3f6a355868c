#!/usr/bin/env bash
exec /usr/bin/python3 "$(dirname "$0")/broken_assets_test.py"
