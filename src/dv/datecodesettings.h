#pragma once

// The settings that hold the datecode formats and the name templates: their
// keys, default values, the choices the options offer and the recommended
// values, in one place.

#include <QStringView>

#include <array>

namespace datecodesettings {

// Datecode in the file information and in scene titles.
inline constexpr QStringView FormatAfficherDatecodeKey = u"FormatAfficherDatecode";
inline constexpr QStringView FormatAfficherDatecodeDefault = u" ddddd tt";
inline constexpr QStringView FormatAfficherDatecodeRecommended = u"ddddd tt";
inline constexpr std::array<QStringView, 6> FormatAfficherDatecodeChoices = {
    u"tt", u"ddddd", u"dddddd", u"ddddd t", u"dddddd tt", u"d mmm yyyy"};

// %D of the command that adds the datecode to a file name.
inline constexpr QStringView FormatAjouterDatecodeKey = u"FormatAjouterDatecode";
inline constexpr QStringView FormatAjouterDatecodeDefault = u"ddddd";
inline constexpr QStringView FormatAjouterDatecodeRecommended = u"yyyy.mm.dd_hh.nn.ss_am/pm";
inline constexpr std::array<QStringView, 6> FormatAjouterDatecodeChoices = {
    u"ddddd", u"tt", u"dddddd", u"ddddd tt", u"dddddd tt", u"d mmm yyyy"};

// %D of the rename command. The default is a datecode format like the
// others: a name template here would be read as format letters (the "d" and
// "e" of "Video_%D%E" are a day and a literal) and give names such as
// "ClipDVVi31eo_%31%E.avi".
inline constexpr QStringView FormatRenommerKey = u"FormatRenommer";
inline constexpr QStringView FormatRenommerDefault = u"yyyymmdd hh.nn.ss";
inline constexpr QStringView FormatRenommerRecommended = u"yyyymmdd hh.nn.ss";
inline constexpr std::array<QStringView, 6> FormatRenommerChoices = {
    u"tt", u"ddddd", u"dddddd", u"ddddd t", u"dddddd tt", u"d mmm yyyy"};

// Name template of the rename command (free text).
inline constexpr QStringView TemplateRenommerKey = u"TemplateRenommer";
inline constexpr QStringView TemplateRenommerDefault = u"ClipDV%D%E";
inline constexpr QStringView TemplateRenommerRecommended = u"video'%D%E";

// Whether the datecode / the timecode goes before the name when added to it.
inline constexpr QStringView DatecodeAvantKey = u"DatecodeAvant";
inline constexpr bool DatecodeAvantDefault = false;
inline constexpr bool DatecodeAvantRecommended = false;
inline constexpr QStringView TimecodeAvantKey = u"TimecodeAvant";
inline constexpr bool TimecodeAvantDefault = false;
inline constexpr bool TimecodeAvantRecommended = false;

// %D1 and %D2 of the inlay and subtitle lines.
inline constexpr QStringView FormatDatecode1Key = u"FormatDatecode1";
inline constexpr QStringView FormatDatecode1Default = u"ddddd";
inline constexpr QStringView FormatDatecode2Key = u"FormatDatecode2";
inline constexpr QStringView FormatDatecode2Default = u"tt";

// Custom inlay templates, lines 1 and 2.
inline constexpr QStringView IncrustPerso1Key = u"IncrustPerso1";
inline constexpr QStringView IncrustPerso1Default = u"Your template here";
inline constexpr QStringView IncrustPerso2Key = u"IncrustPerso2";
inline constexpr QStringView IncrustPerso2Default = u"with datecode=%D, timecode=%T, etc...";

} // namespace datecodesettings
