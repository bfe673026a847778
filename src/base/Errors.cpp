#include "base/Errors.h"

#include "base/Dialogs.h"

BrivoraError::BrivoraError(QString text)
    : m_text(std::move(text))
    , m_utf8(m_text.toUtf8())
{
}

QString withFullStop(const QString &text)
{
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        return text + QLatin1Char('.');
    return text;
}

std::optional<QString> errorBoxText(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const ActionStopped &) {
        return std::nullopt;
    } catch (const BrivoraError &error) {
        return withFullStop(error.text());
    } catch (const std::exception &error) {
        return withFullStop(QString::fromUtf8(error.what()));
    } catch (...) {
        return QStringLiteral("Unknown error.");
    }
}

bool guarded(Dialogs &dialogs, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (...) {
        if (const std::optional<QString> text = errorBoxText(std::current_exception()))
            dialogs.error(*text);
    }
    return false;
}
