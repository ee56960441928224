#pragma once

// The record of one video file in the list. Its facts (typed values, read
// once from the header walk and the probe when the record is built) are what
// commands test; its texts (what the window shows and the template codes put
// into names) are made from the facts in one place, VideoFileTexts(). A
// finished record changes only in its display shift, and in its frame rate
// when the playback cannot show its pictures (user-interface thread); it may
// be read from any thread.

#include "avi/avilayout.h"
#include "dv/datecode.h"
#include "dv/templates.h"
#include "framework/listfichier.h"
#include "framework/settingscatalogue.h"

#include <QString>

#include <optional>

// How a file stores its DV.
enum class TDvType : quint8 {
    None = 0,  // no stream of DV frames
    Type1 = 1, // one interleaved stream
    Type2 = 2, // a DV video stream beside the sound, or an interleaved stream beside other streams
};

enum class TVideoStandard : quint8 { Pal = 0, Ntsc = 1, Unknown = 2 };

// The display aspect of the first DV frame; Unknown without DV.
enum class TDisplayAspect : quint8 { Unknown, Ratio4x3, Ratio16x9 };

struct TVideoFileFacts
{
    bool aviValid = false; // the header walk found a well-formed AVI file
    bool probed = false;   // the probe examined every stream
    bool hasSceneFile = false;
    bool hasSubtitleFile = false;
    std::optional<TFourcc> codec; // of the video stream; none without video

    // Video, from the first video stream's format
    bool hasVideo = false;
    qint32 width = 0;
    qint32 height = 0;    // of the pictures
    qint64 frameTime = 0; // 100 ns per frame
    double frameRate = 0; // frames per second
    qint32 frameCount = 0;
    qint64 duration = 0; // 100 ns
    quint32 bitRate = 0;

    // Sound, from the first audio stream's format
    bool hasAudio = false;
    quint16 audioFormatTag = 0;
    qint32 channels = 0;
    qint32 sampleRate = 0; // samples per second
    qint32 sampleBits = 0;
    quint32 audioBytesPerSecond = 0;
    qint64 audioDuration = 0; // 100 ns

    // DV, when a stream of DV frames was found
    bool dvInfoValid = false;
    TDvType dvType = TDvType::None;
    bool interleaved = false; // the DV is in an interleaved stream
    TVideoStandard standard = TVideoStandard::Unknown;
    TDisplayAspect aspect = TDisplayAspect::Unknown;
    quint32 dvSourceWord = 0; // the interleaved stream's VAUX source pack (DVVAuxSrc)
    std::optional<TDateTime> firstDatecode;
    std::optional<TTimecodeFields> firstTimecode;

    bool is16x9() const { return aspect == TDisplayAspect::Ratio16x9; }
    // An interleaved stream beside other streams.
    bool isInterleavedType2() const { return interleaved && dvType == TDvType::Type2; }
    // The height that the aspect implies for display; the pictures' without DV.
    qint32 displayHeight() const;
    // What a command that needs a datecode or a timecode runs on.
    bool hasDatecode() const { return dvInfoValid && firstDatecode && *firstDatecode != 0; }
    bool hasTimecode() const { return dvInfoValid && firstTimecode.has_value(); }
    // The video codec code is code (compared without regard to case).
    bool isCodec(TFourcc code) const { return codec && FourccLower(*codec) == FourccLower(code); }

    friend bool operator==(const TVideoFileFacts &, const TVideoFileFacts &) = default;
};

// The texts of a record. "N/A" marks a value the file does not have, "-" a
// datecode or timecode that no DV stream gave; both are empty for a file
// that is no usable AVI file.
struct TVideoFileTexts
{
    QString datecode;     // first datecode in the display format
    QString datecodeSort; // "yyyymmddhhnnss", "N/A", U+00FE, or U+00FF for a file that is no usable video
    QString timecode;     // "%.2d.%.2d.%.2d.%.2d"
    QString codec;
    QString video;    // "720 x 576 (Pal"
    QString aspect;   // " 4x3)", " 16x9)": closes the bracket of the video text
    QString duration; // "1s 20fr"
    QString audio;    // "48000Hz 16 bits  stereo"
    QString channel;  // " mono", " stereo", " stereo (n)", "no channel"
    QString audioFormat;   // "PCM 192000 bytes/s"
    QString audioDuration; // in frames of the video, or in milliseconds without video

    friend bool operator==(const TVideoFileTexts &, const TVideoFileTexts &) = default;
};

// The texts of the facts, the datecode in datecodeFormat (the setting
// FormatAfficherDatecode).
TVideoFileTexts VideoFileTexts(const TVideoFileFacts &facts, const QString &datecodeFormat);

// Reads the facts of a file: companions, header walk, probe. Throws
// TFileOpenError when the file cannot be opened for the header walk.
TVideoFileFacts ReadVideoFileFacts(const QString &fullPath);

class TaviFichier : public TSRFichier, public TTemplateSource
{
public:
    // Builds the record (ReadVideoFileFacts); datecodeFormat is the setting
    // FormatAfficherDatecode. Throws TFileOpenError when the file cannot be
    // opened for the header walk. Records of different files may be built
    // at the same time on different threads.
    explicit TaviFichier(const QString &fullPath, const QString &datecodeFormat = settings::DefaultString(u"FormatAfficherDatecode"));

    const TVideoFileFacts &facts() const { return m_facts; }
    const TVideoFileTexts &texts() const { return m_texts; }

    // The datecode, timecode and duration orders, each key followed by the
    // file's name and its full path in lower case; other orders as the base.
    QString GetSortKey(const TSortIndex &index) const override;

    // The shift added to the datecodes shown for this file (days), and its
    // text: "+hh:nn:ss", with "Nd " after the sign from a day on.
    void setDisplayShift(TDateTime shift) { m_displayShift = shift; }
    // The playback found no way to show the file's pictures: its frame rate
    // becomes 0, so that every later reader counts in 100 ns units.
    void forgetFrameRate() { m_facts.frameRate = 0; }
    TDateTime displayShift() const { return m_displayShift; }
    QString displayShiftText() const;

    // TTemplateSource
    QString templateFullPath() const override { return fullPath(); }
    QString templateCodec() const override { return m_texts.codec; }
    QString templateVideoText() const override { return m_texts.video; }
    QString templateAspectText() const override { return m_texts.aspect; }
    QString templateAudioText() const override { return m_texts.audio; }
    QString templateDurationText() const override { return m_texts.duration; }
    TDateTime templateFirstDatecode() const override { return m_facts.firstDatecode.value_or(0); }
    TDateTime templateDisplayShift() const override { return m_displayShift; }
    QString templateTimecodeText() const override { return m_texts.timecode; }

private:
    TVideoFileFacts m_facts;
    TVideoFileTexts m_texts;
    TDateTime m_displayShift = 0;
};

// The record that the command engine makes for files it adds or reloads.
class TAfficherFichier final : public TaviFichier
{
public:
    using TaviFichier::TaviFichier;
};
