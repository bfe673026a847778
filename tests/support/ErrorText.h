#pragma once

#include "base/Errors.h"

#include <QString>

#include <functional>

// The user's text of the error that action ends with, or "<no error>".
inline QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const BrivoraError &error) {
        return error.text();
    }
    return QStringLiteral("<no error>");
}
