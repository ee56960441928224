#pragma once

// What the options offer for the settings that hold the datecode formats and
// the name templates: the choices and the recommended values (the keys and
// defaults are the settings catalogue's).

#include <QStringView>

#include <array>

namespace datecodesettings {

// Datecode in the file information and in scene titles.
inline constexpr QStringView FormatAfficherDatecodeRecommended = u"ddddd tt";
inline constexpr std::array<QStringView, 6> FormatAfficherDatecodeChoices = {
    u"tt", u"ddddd", u"dddddd", u"ddddd t", u"dddddd tt", u"d mmm yyyy"};

// %D of the command that adds the datecode to a file name.
inline constexpr QStringView FormatAjouterDatecodeRecommended = u"yyyy.mm.dd_hh.nn.ss_am/pm";
inline constexpr std::array<QStringView, 6> FormatAjouterDatecodeChoices = {
    u"ddddd", u"tt", u"dddddd", u"ddddd tt", u"dddddd tt", u"d mmm yyyy"};

// %D of the rename command.
inline constexpr QStringView FormatRenommerRecommended = u"yyyymmdd hh.nn.ss";
inline constexpr std::array<QStringView, 6> FormatRenommerChoices = {
    u"tt", u"ddddd", u"dddddd", u"ddddd t", u"dddddd tt", u"d mmm yyyy"};

// Name template of the rename command (free text).
inline constexpr QStringView TemplateRenommerRecommended = u"video'%D%E";

// Whether the datecode / the timecode goes before the name when added to it.
inline constexpr bool DatecodeAvantRecommended = false;
inline constexpr bool TimecodeAvantRecommended = false;

} // namespace datecodesettings
