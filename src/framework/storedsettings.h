#pragma once

// The settings as the window keeps them in the preferences store: every
// setting of the catalogue under its key, in the main window's key of the
// store, with the store's typed value of the setting's type.

#include "framework/preferences.h"
#include "framework/settingscatalogue.h"

#include <optional>

namespace settings {

// The store key that holds the main window's settings.
inline constexpr QStringView MainWindowKey = u"UIForm";

// The value stored for a setting in the store's current key; nullopt when
// none is stored or the stored one does not read as the setting's type.
std::optional<TValue> FindStored(TBrontelPreferences &store, const TSetting &setting);

// Writes a value of the setting's type under its key in the store's current
// key; false when the store refuses it (or is in mode "none").
bool WriteStored(TBrontelPreferences &store, const TSetting &setting, const TValue &value);

} // namespace settings
