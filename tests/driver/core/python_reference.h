#pragma once

#include <string>

// Runs `script` with the test's Python (KORVICARD_TEST_PYTHON, else
// /usr/bin/python3) and returns what it printed. Fails the current test when
// Python cannot be started or exits non-zero.
std::string RunPython(const std::string& script);
