#pragma once

// TError: what went wrong, in words for the user. A small value: an empty
// error (the default) means that nothing went wrong, so that a function that
// may fail returns a TError and its caller writes `if (TError e = work())`.
// An error made as the reason of another keeps both texts: "what: reason".

#include <QMetaType>
#include <QString>

#include <utility>

class TError
{
public:
    // No error.
    TError() = default;
    // An error with this text; an empty text is no error.
    explicit TError(QString text) : m_text(std::move(text)) {}

    // True for an error.
    explicit operator bool() const { return !m_text.isEmpty(); }
    const QString &text() const { return m_text; }

    // This error as the reason of a wider one: "what: this error's text".
    // No error stays no error.
    TError because(const QString &what) const
    {
        return m_text.isEmpty() ? TError() : TError(what + QStringLiteral(": ") + m_text);
    }

    bool operator==(const TError &) const = default;

private:
    QString m_text;
};

Q_DECLARE_METATYPE(TError)
