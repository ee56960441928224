#pragma once

// The parameter dialogs of the commands that take a value: each is modal and
// returns the one parameter text its command takes, or nullopt when it was
// cancelled (the command is then not started). Numbers are written in the
// user's notation (the default locale's decimal separator, no group
// separators), which the commands read back.
//
// User-interface thread only. The fields carry object names, so that tests
// can fill them: "hours", "advanced", "date", "hour", "minute", "second",
// "reset", "difference" (time difference, overwrite datecode); "choice0" ..
// "choice3", "personalized" (codec, frame rate); "interval", "apply".

#include <QString>

#include <functional>
#include <optional>

class QWidget;
class TAbstractListFichier;

// What the time-difference dialog does while it is open: every change of the
// difference is handed to shiftChanged (days), which sets the display shift
// of the playback stages and refreshes the picture.
struct TTimeDifferenceHooks
{
    std::function<void(double days)> shiftChanged;
};

// "Fix a time difference". The reference is the active file's first datecode
// (the current date and time when it has none) and the dialog opens on the
// reference plus the file's display shift. advanced is the mode to open in
// and comes back as the mode it was left in (AdvancedDecalage). OK returns
// the difference in days and writes it to confirmedOut; Cancel hands
// confirmed back to shiftChanged and leaves confirmedOut alone.
std::optional<QString> AskTimeDifference(QWidget *parent, const TAbstractListFichier *active, double confirmed,
                                         bool &advanced, const TTimeDifferenceHooks &hooks, double &confirmedOut);

// "Overwrite a datecode": the start date and time, opened on now; returns
// the date-time value (days since 1899-12-30) as a decimal number.
std::optional<QString> AskOverwriteDatecode(QWidget *parent);

// The choice a codec or frame-rate dialog was last accepted with, so that it
// opens as it was left; choice < 0: never accepted, the dialog then chooses
// from the active file.
struct TDialogChoice
{
    int choice = -1;
    QString personalized;
};

// "Fix the video codec": "dvsd", "dsvd", "CDVC", or the four first characters
// of the personalized code, padded with spaces. The form without a choice
// keeps its own for the life of the program.
std::optional<QString> AskCodec(QWidget *parent, const TAbstractListFichier *active);
std::optional<QString> AskCodec(QWidget *parent, const TAbstractListFichier *active, TDialogChoice &previous);

// "Fix the video framerate": 25, 29.97 or the personalized rate; OK with a
// personalized text that is no number keeps the dialog open.
std::optional<QString> AskFrameRate(QWidget *parent, const TAbstractListFichier *active);
std::optional<QString> AskFrameRate(QWidget *parent, const TAbstractListFichier *active, TDialogChoice &previous);

// "Split in scenes": opens on intervalle (Intervalle); "Apply" takes only a
// whole number above 0, writes it back to intervalle and returns it.
std::optional<QString> AskInterval(QWidget *parent, int &intervalle);
