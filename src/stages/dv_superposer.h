#pragma once

// Tdv_Superposer: a transform stage on 24-bit RGB pictures that draws the two
// datecode text lines into every picture. The lines come from the record of
// the picture's own DV frame, which the picture's sample carries from the
// scene-detect stage upstream (TMediaSample::frameData; a picture without
// one has no datecode), and from the shared text settings (line templates,
// datecode formats, display shift).
//
// The text is rendered, with its outline, into small ARGB line images only
// when the lines or the drawing settings change; each picture then only gets
// those images blended in.
//
// A stage that keeps no picture and does not deinterlace also takes the DV
// decoder's planar YUV pictures (I420, Y41B) and blends the lines into them
// in place: a conversion then needs no trip through RGB. Such a stream gives
// no still pictures.
//
// Threads: Transform() runs on the streaming thread. The setters may be
// called from any thread at any time, also while a stream runs; the stage
// takes them on its next picture. GetPicture() and GetDeinterlacedPicture()
// may be called from any thread.

#include "dv/dvframedata.h"
#include "framework/settingvalues.h"
#include "pipelines/stagebase.h"
#include "stages/datecodelines.h"
#include "stages/datecodetextsettings.h"

#include <QColor>
#include <QFont>
#include <QImage>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

// The font of the inlay text (setting IncrustFont).
struct TIncrustFont
{
    QString name;
    // Points: n > 0 asks for characters n points high, -n for a character
    // cell (internal leading included) n points high; at 96 pixels per inch.
    int size = 0;
    QColor color = Qt::white;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    bool operator==(const TIncrustFont &) const = default;
};

// The inlay font of a font setting (colour 0x00BBGGRR).
TIncrustFont IncrustFontOf(const TFontValue &font);
// The setting IncrustFont's default.
TIncrustFont DefaultIncrustFont();

// Absolute font height in pixels at 96 pixels per inch: 21 for size 16, 28 for size -21.
int IncrustLineHeight(int fontSize);
// The font to draw with: Windows font names mapped to the installed metric
// equivalents, sized in pixels for 96 pixels per inch.
QFont IncrustQFont(const TIncrustFont &font);

class Tdv_Superposer final : public TBCTransformFilter
{
public:
    static constexpr const char16_t *DisplayName = u"Orin Brontel cf_Superposer";
    static constexpr const char16_t *ClassId = u"{F428C64E-ADDD-4EEC-BAC1-FDE3F861815A}";
    static constexpr int DefaultDisplayFrames = 125;
    static constexpr int MaxBorderSize = 5;

    enum TAlign : int { AlignLeft = 0, AlignCentre = 1, AlignRight = 2, AlignSubtitle = 3 };
    enum TWhen : int { Permanently = 0, Once = 1, EachNewScene = 2, EachNewDay = 3 };

    // Deinterlacing hooks (the deinterlacer module provides them). The first
    // works with masks the stage owns (8-bit, picture size) and deinterlaces
    // the output pictures; the second owns its masks and makes the still
    // pictures. Both get a top-down BGR888 source and must leave the
    // repaired picture, of the source's size and format, in destination.
    // Without a hook the picture is copied unchanged.
    using TDeinterlacer = std::function<void(const QImage &source, QImage &destination, QImage &combMask,
                                             QImage &keptMask)>;
    using TStillDeinterlacer = std::function<void(const QImage &source, QImage &destination)>;

    // settings: where the text templates and formats come from.
    explicit Tdv_Superposer(const TDatecodeTextSettingsStore *settings = &TDatecodeTextSettingsStore::instance());
    ~Tdv_Superposer() override;

    // Settings.
    void SetIncrustFont(const TIncrustFont &font); // IncrustFont; a negative size: automatic size
    void SetAlign(int align);                      // 0 to 3, others ignored
    void SetDuration(int seconds);                 // DureeIncrustation
    void SetWhen(int when);                        // WhenIncrust, 0 to 3, others ignored
    void SetX(int thousandths);                    // IncrustX
    void SetY(int thousandths);                    // IncrustY
    void SetVisible(bool visible);                 // "Display the inlay"
    void SetBorderSize(int pixels);                // BorderSize, 0 to 5, others ignored
    void SetBorderColor(const QColor &color);
    void SetDeinterlace(bool on);                  // the deinterlace option
    // Whether the stage keeps each picture for GetPicture and
    // GetDeinterlacedPicture (on by default; a conversion does not need it).
    void SetKeepPicture(bool keep) { m_keepPicture.store(keep, std::memory_order_relaxed); }

    TIncrustFont incrustFont() const;
    bool autoFontSize() const;
    int align() const;
    int when() const;
    int x() const;
    int y() const;
    bool visible() const;
    int borderSize() const;
    bool deinterlace() const;
    int displayFrames() const { return m_displayFrames.load(std::memory_order_relaxed); }
    int countdown() const { return m_countdown.load(std::memory_order_relaxed); }
    qint64 frameDuration() const { return m_frameDuration.load(std::memory_order_relaxed); }

    void setDeinterlacers(TDeinterlacer first, TStillDeinterlacer second);

    // Still pictures. The flag is false while someone waits for the next
    // picture; the stage stores it as the last picture and sets the flag.
    static std::atomic<bool> &stillPictureFlag();
    // Draws the last picture into bitmap, stretched to its size; false when
    // there is none or bitmap is empty.
    bool GetPicture(QImage &bitmap) const;
    // Deinterlaces the latest work picture into the last picture, then as GetPicture.
    bool GetDeinterlacedPicture(QImage &bitmap);

    // Sizes the pictures of a stream and resets the countdown and picture
    // counter; startStreaming() calls it with the input's format.
    void prepareStream(int width, int height, qint64 frameDuration);
    // Inlays one picture: in holds a bottom-up RGB24 picture of the prepared
    // size and the data of its DV frame, out receives it with the text
    // (out.data must already have the picture's size). This is Transform()
    // without the media times.
    TResult inlayPicture(const TMediaSample &in, TMediaSample &out);
    // The lines composed for the latest picture.
    QString line1() const;
    QString line2() const;

    void startStreaming() override;

protected:
    TResult CheckInputType(const TMediaType &type) override;
    TMediaType GetMediaType(const TMediaType &inputType) const override;
    TResult Transform(const TMediaSample &in, TMediaSample &out) override;
    bool TransformsInPlace(const TMediaType &type) const override;

private:
    struct TSettings
    {
        bool visible = true;
        int x = DefaultX();
        int y = DefaultY();
        int align = AlignRight;
        int when = Permanently;
        int borderSize = 0;
        QColor borderColor = Qt::black;
        bool autoFontSize = false;
        bool deinterlace = false;
        TIncrustFont font = DefaultIncrustFont();
    };
    static int DefaultX();
    static int DefaultY();
    struct TTextKey
    {
        quint64 generation = 0;
        bool datecodePresent = false;
        TDateTime datecode = 0;
        bool timecodePresent = false;
        TTimecodeFields timecode{};
        bool operator==(const TTextKey &) const = default;
    };
    // One line rendered with its outline; the line's top-left corner is at (margin, margin) in the image.
    struct TLineImage
    {
        QImage image; // ARGB32 premultiplied, reused while big enough
        int width = 0;  // used part
        int height = 0;
        int advance = 0; // pixel width of the text
        // The used part in premultiplied BT.601 YUV (limited range), row by
        // row: a pixel of alpha a blends into a picture value d as
        // value + d * (1 - a). Made for planar pictures only.
        std::vector<float> y, u, v, alpha;
    };

    template <typename F>
    void changeSettings(F &&change);
    void refreshSettings();
    bool feedCountdown(const TFrameInfo &frame); // true: the text shows
    void composeLines(const TFrameInfo &frame);
    void renderLines();
    void renderLine(const QString &text, TLineImage &line);
    // Draws the lines into the picture whose row 0 (the top) starts at top,
    // rows `stride` bytes apart (negative for pictures stored bottom-up).
    void drawText(quint8 *top, qsizetype stride);
    // Into a planar picture of the stream's subtype (packed Y, U, V planes).
    void drawTextPlanar(quint8 *planes);
    // Where the two lines' text starts, for the current settings; false when
    // the alignment draws nothing.
    bool placeLines(int &x1, int &y1, int &x2, int &y2);
    void blendPlanar(const TLineImage &line, int x, int y, quint8 *planes);
    static void lineToYuv(TLineImage &line);
    // Ends a picture: the still picture when one is asked for, the count.
    TResult finishPicture(TResult result);
    void blend(const TLineImage &line, int x, int y, quint8 *top, qsizetype stride);
    void updateDisplayFrames();
    void stillPicture();

    std::atomic<bool> m_keepPicture{true};
    TFourcc m_planar = 0; // I420 or Y41B for a stream of planar pictures, 0 for RGB
    const TDatecodeTextSettingsStore *m_textStore;

    // Settings written by any thread.
    mutable std::mutex m_settingsLock;
    TSettings m_shared;
    std::atomic<quint64> m_sharedGeneration{1};
    std::atomic<int> m_displayFrames{DefaultDisplayFrames};
    std::atomic<int> m_displaySeconds{-1}; // -1: never set
    std::atomic<int> m_countdown{0};
    std::atomic<qint64> m_frameDuration{0};
    TDeinterlacer m_deinterlacer;
    TStillDeinterlacer m_stillDeinterlacer;

    // Streaming state.
    TSettings m_settings; // the streaming thread's copy
    quint64 m_seenGeneration = 0;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
    qint64 m_pictureCounter = 0;
    TDateTime m_previousDatecode = 0; // kept between streams
    QFont m_qfont;
    int m_lineHeight = 0;
    int m_ascent = 0;

    TDatecodeTextSettings m_text;
    quint64 m_textGeneration = 0;
    bool m_composed = false;
    TTextKey m_textKey;
    QString m_d1, m_d2, m_t;
    QString m_line1, m_line2;

    // Rendered text; valid while the rendered lines and drawing settings stay.
    bool m_rendered = false;
    QString m_renderedLine1, m_renderedLine2;
    quint64 m_renderedGeneration = 0;
    int m_margin = 0;
    TLineImage m_image1, m_image2;

    // Pictures, shared with the still-picture readers.
    mutable std::mutex m_pictureLock;
    QImage m_work;  // top-down BGR888
    QImage m_last;
    QImage m_combMask, m_keptMask;
    mutable std::mutex m_linesLock;
    QString m_shownLine1, m_shownLine2;
};

// Gives a stage the program's default inlay settings (IncrustX, IncrustY,
// IncrustFont, WhenIncrust, DureeIncrustation, BorderSize; shown, not
// deinterlaced), as the playback stage starts with.
void ApplyDefaultIncrustSettings(Tdv_Superposer &stage);
