#pragma once

// The program's settings as data: for every key its action, type, default,
// range, whether it is stored between runs and applied at load, and one line
// of help. This is the one place where a setting's default lives; the modules
// that follow a setting start from the default given here, the window's
// actions are made from these entries, and tarvex-cli parses --set against
// them.
//
// Keys are matched ignoring case. The table is fixed at compile time and
// read from any thread.

#include "framework/settingvalues.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <span>
#include <variant>

namespace settings {

enum class TType {
    Check,      // on/off state of a menu item ("ca" actions)
    Boolean,    // plain Boolean value ("ba")
    Integer,    // 32-bit signed ("ia")
    Double,     // 64-bit float ("da")
    WideString, // text ("wa")
    WStrings,   // list of texts ("sa")
    Font,       // "fa"
    Rect,       // "ra"
};

// Check and Boolean settings hold bool, Integer qint32, Double double,
// WideString QString, WStrings QStringList, Font TFontValue, Rect TRectValue.
using TValue = std::variant<bool, qint32, double, QString, QStringList, TFontValue, TRectValue>;

// A default that depends on the machine, computed when it is needed.
enum class TDefaultRule {
    Fixed,           // the entry's value
    DocumentsFolder, // the user's documents folder, else the home folder
    VideoFolder,     // the user's video folder, else the documents folder rule
    CentredWindow,   // 962 x 751 centred on a 1920 x 1080 screen when no screen is known
    SiblingProgram,  // the path the sibling capture program recorded for itself, else empty
};

struct TSetting
{
    QStringView key;    // store key and script name
    QStringView action; // the window's action
    TType type;
    TValue defaultValue;
    qint32 minimum = 0; // Integer: the values --set accepts
    qint32 maximum = 0;
    bool stored = true;        // kept between runs
    bool appliedAtLoad = true; // pushed to its modules when loaded at start
    TDefaultRule rule = TDefaultRule::Fixed;
    QStringView help; // one line
};

// Every setting, in catalogue order.
std::span<const TSetting> Catalogue();
// The setting of a key (case ignored), or null.
const TSetting *Find(QStringView key);
// The entry of a key that must exist; aborts the program otherwise, so a
// misspelt key in the code is found by the first test that reads it.
const TSetting &Get(QStringView key);

// The default of a setting with its rule applied.
TValue DefaultValue(const TSetting &setting);

// Typed default of a key that must exist (the value's type must match the
// entry's: misuse aborts like Get()).
bool DefaultBool(QStringView key);
qint32 DefaultInteger(QStringView key);
double DefaultDouble(QStringView key);
QString DefaultString(QStringView key);
TFontValue DefaultFont(QStringView key);

// The value a text gives a setting on tarvex-cli's command line, or nullopt
// with the reason in error: Check and Boolean take true/false/1/0 (case
// ignored); Integer a decimal number from minimum to maximum; Double a number
// in C notation; WideString the text as it is; WStrings comma-separated
// items; Font FAMILY[,SIZE[,COLOUR]] (size 1 to 200 points, a colour name or
// #rrggbb); Rect "(left, top, right, bottom)".
std::optional<TValue> ParseValue(const TSetting &setting, const QString &text, QString *error);
// The text of a value in the form ParseValue reads.
QString ValueText(const TSetting &setting, const TValue &value);
// "check", "Boolean", "integer", "double", "text", "list", "font", "rectangle".
QString TypeName(TType type);

} // namespace settings
