#include "framework/storedsettings.h"

namespace settings {

std::optional<TValue> FindStored(TBrontelPreferences &store, const TSetting &setting)
{
    const QString key = setting.key.toString();
    const auto as = [](const auto &found) -> std::optional<TValue> {
        if (!found)
            return std::nullopt;
        return TValue(*found);
    };
    switch (setting.type) {
    case TType::Check:
    case TType::Boolean: return as(store.FindBool(key));
    case TType::Integer: return as(store.FindInteger(key));
    case TType::Double: return as(store.FindFloat(key));
    case TType::WideString: return as(store.FindString(key));
    case TType::WStrings: return as(store.FindStrings(key));
    case TType::Font: return as(store.FindFont(key));
    case TType::Rect: return as(store.FindRect(key));
    }
    return std::nullopt;
}

bool WriteStored(TBrontelPreferences &store, const TSetting &setting, const TValue &value)
{
    const QString key = setting.key.toString();
    struct TWrite
    {
        TBrontelPreferences &store;
        const QString &key;
        bool operator()(bool b) const { return store.WriteBool(key, b); }
        bool operator()(qint32 n) const { return store.WriteInteger(key, n); }
        bool operator()(double d) const { return store.WriteFloat(key, d); }
        bool operator()(const QString &s) const { return store.WriteString(key, s); }
        bool operator()(const QStringList &l) const { return store.WriteStrings(key, l); }
        bool operator()(const TFontValue &f) const { return store.WriteFont(key, f); }
        bool operator()(const TRectValue &r) const { return store.WriteRect(key, r); }
    };
    if (value.index() != setting.defaultValue.index())
        return false;
    return std::visit(TWrite{store, key}, value);
}

} // namespace settings
