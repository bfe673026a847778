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

bool guarded(Dialogs &dialogs, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const ActionStopped &) {
    } catch (const BrivoraError &error) {
        dialogs.error(withFullStop(error.text()));
    } catch (const std::exception &error) {
        dialogs.error(withFullStop(QString::fromUtf8(error.what())));
    }
    return false;
}
