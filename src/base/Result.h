#pragma once

#include <QString>
#include <optional>
#include <utility>

// The error side of a Result: the text the operator is shown.
struct Failure
{
    QString text;
};

inline Failure failure(QString text) { return Failure{std::move(text)}; }

// What every core operation returns: a value, or the reason it could not be
// had. Tested like a pointer (`if (!r) tell(r.error())`), never thrown.
template <typename T>
class Result
{
public:
    Result(const T &value)
        : m_value(value)
    {}
    Result(T &&value)
        : m_value(std::move(value))
    {}
    Result(Failure f)
        : m_error(std::move(f.text))
    {}

    bool ok() const { return m_value.has_value(); }
    bool has_value() const { return ok(); }
    explicit operator bool() const { return ok(); }
    const T &operator*() const & { return *m_value; }
    T &operator*() & { return *m_value; }
    // By value, so that `for (x : *store.rows())` owns what it walks.
    T operator*() && { return std::move(*m_value); }
    const T *operator->() const { return &*m_value; }
    T *operator->() { return &*m_value; }
    T value_or(T fallback) const { return m_value ? *m_value : std::move(fallback); }
    // Empty when the operation succeeded.
    const QString &error() const { return m_error; }

private:
    std::optional<T> m_value;
    QString m_error;
};

// An operation with nothing to give back but success.
template <>
class Result<void>
{
public:
    Result() = default;
    Result(Failure f)
        : m_failed(true)
        , m_error(std::move(f.text))
    {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const QString &error() const { return m_error; }

private:
    bool m_failed = false;
    QString m_error;
};
