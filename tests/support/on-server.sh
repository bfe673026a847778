#!/bin/sh
# Runs a test program against the test server that scripts/test starts; skipped (77)
# when none is running, as under a bare ctest.
if [ -z "$BRIVORA_TEST_SERVER" ]; then
    echo "No test server: scripts/test starts one and sets BRIVORA_TEST_SERVER."
    exit 77
fi
BRIVORA_TEST_ENGINE=postgresql exec "$@"
