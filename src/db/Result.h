// SPDX-License-Identifier: GPL-3.0-or-later
// A value or the database error that kept it from being produced.
#pragma once

#include "DbError.h"

#include <optional>
#include <utility>

template <typename T> class Result {
public:
    Result(T value)
        : m_value(std::move(value))
    {
    }
    Result(DbError error)
        : m_error(std::move(error))
    {
    }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }

    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const DbError& error() const { return m_error; }

private:
    std::optional<T> m_value;
    DbError m_error;
};

template <> class Result<void> {
public:
    Result() = default;
    Result(DbError error)
        : m_failed(true)
        , m_error(std::move(error))
    {
    }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const DbError& error() const { return m_error; }

private:
    bool m_failed = false;
    DbError m_error;
};

using Status = Result<void>;
