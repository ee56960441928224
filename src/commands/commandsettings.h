#pragma once

// The settings the commands follow: which settings of the catalogue each
// command reads, and how a value reaches the module that uses it. The window
// and tarvex-cli both set the commands' settings through ApplyCommandSetting.

#include "framework/settingscatalogue.h"

#include <QString>

#include <optional>
#include <vector>

class TdmAction;

// The settings a command reads (name as in the catalogue, case ignored), in
// catalogue order; empty for a command that reads none or is unknown.
std::vector<const settings::TSetting *> SettingsReadBy(const QString &command);
// The value a text on a command line gives a setting the commands read: the
// catalogue's text forms, and for the time differences also
// [+|-][D.]HH:MM:SS. Nullopt with the reason in error.
std::optional<settings::TValue> ParseCommandSetting(const settings::TSetting &setting, const QString &text,
                                                    QString *error);
// True when some command reads the setting.
bool IsCommandSetting(const settings::TSetting &setting);
// Pushes a value of the setting's type into the modules of the command
// catalogue that follow it; false (nothing changed) when no command reads it.
bool ApplyCommandSetting(TdmAction &actions, const settings::TSetting &setting, const settings::TValue &value);
