#pragma once

#include <QLocale>

// Pins the default locale for the lifetime of the object and restores the
// previous one afterwards, so that locale-dependent texts are reproducible.
class PinnedLocale
{
public:
    explicit PinnedLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~PinnedLocale() { QLocale::setDefault(m_saved); }
    PinnedLocale(const PinnedLocale &) = delete;
    PinnedLocale &operator=(const PinnedLocale &) = delete;

private:
    QLocale m_saved;
};
