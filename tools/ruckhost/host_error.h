// The one error type of ruckhost: a one-line message that names the problem, shown by
// main as "ruckhost: <message>" with a non-zero exit.
#pragma once

#include <stdexcept>
#include <string>

struct HostError : std::runtime_error {
    explicit HostError(const std::string& message) : std::runtime_error(message) {}
};
