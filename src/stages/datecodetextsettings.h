#pragma once

// The inputs of the datecode text lines, shared by every stage that composes
// them: the two line templates (codes %D1, %D2 and %T still in them), the two
// datecode formats and the display shift. One process-wide store holds them;
// the user-interface thread writes it while streams run, and the streaming
// threads take a copy only when something changed.

#include "dv/datecode.h"
#include "framework/settingscatalogue.h"

#include <QString>

#include <atomic>
#include <mutex>

struct TDatecodeTextSettings
{
    QString template1 = QStringLiteral("%D1"); // line 1 template
    QString template2 = QStringLiteral("%D2"); // line 2 template
    QString format1 = settings::DefaultString(u"FormatDatecode1");
    QString format2 = settings::DefaultString(u"FormatDatecode2");
    TDateTime displayShift = 0;                // setting DecalageDisplay, days
};

class TDatecodeTextSettingsStore
{
public:
    TDatecodeTextSettingsStore() = default;
    TDatecodeTextSettingsStore(const TDatecodeTextSettingsStore &) = delete;
    TDatecodeTextSettingsStore &operator=(const TDatecodeTextSettingsStore &) = delete;

    // The store the program's stages read.
    static TDatecodeTextSettingsStore &instance();

    TDatecodeTextSettings snapshot() const;
    // Goes up by one with every write.
    quint64 generation() const { return m_generation.load(std::memory_order_acquire); }

    // Copies the settings into copy when they changed since seenGeneration
    // (a reader's last copy) and returns true; false (nothing copied, no
    // lock taken) when they did not.
    bool refresh(TDatecodeTextSettings &copy, quint64 &seenGeneration) const;

    void set(const TDatecodeTextSettings &settings);
    void setTemplates(const QString &line1, const QString &line2);
    void setTemplate(int line /* 1 or 2 */, const QString &text);
    void setFormat1(const QString &format);
    void setFormat2(const QString &format);
    void setDisplayShift(TDateTime days);

private:
    template <typename F>
    void update(F &&change)
    {
        std::lock_guard guard(m_lock);
        change(m_settings);
        m_generation.fetch_add(1, std::memory_order_release);
    }

    mutable std::mutex m_lock;
    TDatecodeTextSettings m_settings;
    // Starts at 1 so that a reader that has seen nothing (0) always copies.
    std::atomic<quint64> m_generation{1};
};
