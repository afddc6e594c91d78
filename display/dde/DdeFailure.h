#pragma once

#include <optional>
#include <string>
#include <utility>

namespace dde {

// The numbers the programs tell apart; every other failure keeps the DDE library's own number.
inline constexpr int NoForeignApplication = 282;
inline constexpr int Timeout = 286;

struct DdeFailure {
    int number = 0;
    std::string description;
};

// A value, or the failure that kept it from coming.
struct DdeOutcome {
    std::string value;
    std::optional<DdeFailure> failure;

    static DdeOutcome of(std::string value) { return {std::move(value), std::nullopt}; }
    static DdeOutcome fail(DdeFailure failure) { return {{}, std::move(failure)}; }
    bool ok() const { return !failure.has_value(); }
    explicit operator bool() const { return ok(); }
};

// What a DDE management library error (DdeGetLastError) means to the programs: no conversation is 282,
// every acknowledgement time-out 286 with the time waited, the rest their own number and a description.
// 0 (a failure the library did not name) counts as a refused transaction.
DdeFailure failureOf(unsigned dmlError, int timeoutMs);

// Starting a program (CreateProcess's GetLastError) as the programs report it: 53 file not found, 70
// permission denied, 75 for the rest, each with the path.
DdeFailure startFailureOf(unsigned long winError, const std::string& path);

} // namespace dde
