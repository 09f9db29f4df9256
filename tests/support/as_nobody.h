// Runs a test body where file permissions bite: in a child process that drops to user 65534.
#pragma once

#include <functional>
#include <string>

// What body returned in the child, or a text that starts with "child failed" when it could not run.
std::string asNobody(const std::function<std::string()>& body);
