#pragma once

#include <QString>

#include <optional>
#include <utility>

// A run-time failure as the programs report it: a classic error number and its description.
struct RunError {
    int number = 0;
    QString description;

    // Looks the description up in the catalogue; unknown numbers get a generic text.
    static RunError of(int number);
    static RunError of(int number, const QString& description) { return {number, description}; }

    // "description number", the form most operations show after their name.
    QString text() const;
    // "description # number", the form of the file and import routines.
    QString fileText() const;
    // The same error with the file it is about, and the line when there is one, added to its description.
    RunError inFile(const QString& file, int line = 0) const;
    // The same error with a note on what it left behind, after "; ".
    RunError withNote(const QString& note) const { return {number, description + QStringLiteral("; ") + note}; }
};

// Numbers of the catalogue, named where the code refers to them.
namespace ErrNo {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int FileAlreadyExists = 58;
inline constexpr int DiskFull = 61;
inline constexpr int InputPastEnd = 62;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int NoForeignApplication = 282;
inline constexpr int DdeTimeout = 286;
inline constexpr int ElementNotFound = 35601;
inline constexpr int KeyNotUnique = 35602;
} // namespace ErrNo

// Outcome of an operation without a value: success, or the error that stopped it.
class [[nodiscard]] Status {
public:
    Status() = default;
    Status(RunError error) : m_error(std::move(error)) {}
    static Status fail(int number) { return Status(RunError::of(number)); }

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const RunError& error() const { return *m_error; }

private:
    std::optional<RunError> m_error;
};

// Outcome of an operation with a value.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(RunError error) : m_error(std::move(error)) {}

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& value() const& { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T& operator*() const& { return *m_value; }
    const T* operator->() const { return &*m_value; }
    const RunError& error() const { return m_error; }
    Status status() const { return ok() ? Status() : Status(m_error); }

private:
    std::optional<T> m_value;
    RunError m_error;
};
