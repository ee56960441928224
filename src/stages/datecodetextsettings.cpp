#include "stages/datecodetextsettings.h"

TDatecodeTextSettingsStore &TDatecodeTextSettingsStore::instance()
{
    static TDatecodeTextSettingsStore store;
    return store;
}

TDatecodeTextSettings TDatecodeTextSettingsStore::snapshot() const
{
    std::lock_guard guard(m_lock);
    return m_settings;
}

bool TDatecodeTextSettingsStore::refresh(TDatecodeTextSettings &copy, quint64 &seenGeneration) const
{
    if (m_generation.load(std::memory_order_acquire) == seenGeneration)
        return false;
    std::lock_guard guard(m_lock);
    copy = m_settings;
    seenGeneration = m_generation.load(std::memory_order_relaxed);
    return true;
}

void TDatecodeTextSettingsStore::set(const TDatecodeTextSettings &settings)
{
    update([&](TDatecodeTextSettings &s) { s = settings; });
}

void TDatecodeTextSettingsStore::setTemplates(const QString &line1, const QString &line2)
{
    update([&](TDatecodeTextSettings &s) {
        s.template1 = line1;
        s.template2 = line2;
    });
}

void TDatecodeTextSettingsStore::setTemplate(int line, const QString &text)
{
    if (line != 1 && line != 2)
        return;
    update([&](TDatecodeTextSettings &s) { (line == 1 ? s.template1 : s.template2) = text; });
}

void TDatecodeTextSettingsStore::setFormat1(const QString &format)
{
    update([&](TDatecodeTextSettings &s) { s.format1 = format; });
}

void TDatecodeTextSettingsStore::setFormat2(const QString &format)
{
    update([&](TDatecodeTextSettings &s) { s.format2 = format; });
}

void TDatecodeTextSettingsStore::setDisplayShift(TDateTime days)
{
    update([&](TDatecodeTextSettings &s) { s.displayShift = days; });
}
