#pragma once

// The record of one video file in the list: everything the window shows about
// it and everything the commands test before they run, built once from the
// header walk and the probe.

#include "dv/datecode.h"
#include "dv/templates.h"
#include "framework/listfichier.h"
#include "framework/settingscatalogue.h"

#include <QString>

class TaviFichier : public TSRFichier, public TTemplateSource
{
public:
    // Builds the record: header walk, probe, texts, sort keys. datecodeFormat
    // is the setting FormatAfficherDatecode. Throws TFileOpenError when the
    // file cannot be opened for the header walk.
    explicit TaviFichier(const QString &fullPath, const QString &datecodeFormat = settings::DefaultString(u"FormatAfficherDatecode"));

    QString GetSortKey(const TSortIndex &index) const override;

    // The shift added to the datecodes shown for this file (days), and its text.
    void setDisplayShift(TDateTime shift);

    // TTemplateSource
    QString templateFullPath() const override { return fullPath(); }
    QString templateCodec() const override { return codec; }
    QString templateVideoText() const override { return videoText; }
    QString templateAspectText() const override { return aspectText; }
    QString templateAudioText() const override { return audioText; }
    QString templateDurationText() const override { return durationText; }
    TDateTime templateFirstDatecode() const override { return firstDatecode; }
    TDateTime templateDisplayShift() const override { return displayShift; }
    QString templateTimecodeText() const override { return timecodeText; }

    // A command that needs a datecode runs only when this holds.
    bool hasDatecode() const;

    QString datecodeSortText;
    QString datecodeText;
    TDateTime firstDatecode = 0;
    TDateTime displayShift = 0;
    QString displayShiftText;
    QString timecodeText;
    QString codec;
    qint32 dvType = 0;
    bool isInterleavedType2 = false;
    QString videoText;
    QString aspectText;
    qint32 width = 0;
    qint32 displayHeight = 0;
    qint64 duration = 0; // 100 ns
    QString durationText;
    qint32 frameCount = 0;
    double frameRate = 0;
    QString audioText;
    QString audioDurationText;
    quint32 dvSourceWord = 0;
    quint32 bitRate = 0;
    QString audioFormatText;
    quint8 standard = 2; // 0 PAL, 1 NTSC, 2 not determined
    bool hasSceneFile = false;
    bool hasSubtitleFile = false;
    bool dvInfoValid = false;
    bool is16x9 = false;
    qint32 sampleRate = 0;
    qint32 sampleBits = 0;
    QString channelText;
    QString datecodeSortKey;
    QString timecodeSortKey;
    QString durationSortKey;
};

// The record that the command engine makes for files it adds or reloads.
class TAfficherFichier final : public TaviFichier
{
public:
    using TaviFichier::TaviFichier;
};
