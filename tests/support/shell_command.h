// A shell command's standard output, for tests that drive programs such as tmux.
#pragma once

#include <string>

std::string shellOutput(const std::string& command);

// text in single quotes for the shell, its own single quotes kept.
std::string shellQuoted(const std::string& text);
