#pragma once

// TBaseFrame: the information panel above the file list. It shows what the
// record of the active file says (name, datecode, timecode, codec and DV
// type, picture, duration, frame rate, audio, time difference, companion
// files), holds the progress gauge of running commands and the volume gauge,
// and copies any datum to the clipboard from its context menu. While a file
// plays the window overwrites the datecode, timecode, audio and picture
// labels with the video view's texts.
//
// The panel keeps the record it shows only until ShowFile or Clear is called
// again; the window calls Clear before the record goes away. Main thread only.

#include <QDateTime>
#include <QFrame>
#include <QLocale>
#include <QString>

class QLabel;
class QMenu;
class QProgressBar;
class TAbstractListFichier;
class TaviFichier;

namespace basepanel {
// The codec label: the four-character code, and for a DV file " (type 1)",
// " (type 2 iavs)" (an interleaved stream beside other streams), " (type 2)"
// or " (atypical)".
QString CodecText(const TaviFichier &record);
// A file size with the locale's thousands separators and no decimals.
QString SizeText(quint64 size, const QLocale &locale = QLocale());
// The pixel height of the name's font: 13, scaled down by available over
// textWidth (the text's width at 13 pixels) when it is wider; never below 8.
int NamePixelSize(int textWidth, int available);
// The panel's hint: the full path, the size and the last write time.
QString PanelHint(const QString &fullPath, quint64 size, const QString &modified);
} // namespace basepanel

class TBaseFrame : public QFrame
{
    Q_OBJECT

public:
    explicit TBaseFrame(QWidget *parent = nullptr);

    // Fills the labels from a record; a record that is no video record shows
    // its name, size and date only.
    void ShowFile(const TAbstractListFichier *record);
    // No active file: "---" and empty values.
    void Clear();
    const TAbstractListFichier *shownFile() const { return m_record; }

    // FormatAfficherDatecode: the datecodes and the file date are shown with it.
    void setDatecodeFormat(const QString &format);
    const QString &datecodeFormat() const { return m_format; }

    // The texts of the playing video.
    void setDatecodeText(const QString &text);
    void setTimecodeText(const QString &text);
    void setAudioTexts(const QString &audio1, const QString &audio2);
    void setPictureText(const QString &text);

    // Progress of a command: shown at 0 of maximum, moved, hidden.
    void startProgress(int maximum);
    void setProgress(int position);
    void endProgress();
    bool progressShown() const;
    // The volume gauge, 0 to 100.
    void setVolumeGauge(int percent);
    int volumeGauge() const;

    // What the labels and the copy menu show, for the window and its tests.
    QString nameText() const;
    QString datecodeText() const;
    QString timecodeText() const;
    QString codecText() const;
    QString pictureText() const;
    QString durationText() const;
    QString frameRateText() const;
    QString audioText() const; // the two lines joined by a carriage return
    QString timeDifferenceText() const; // empty when hidden
    bool sceneFileShown() const;
    bool subtitleFileShown() const;
    int namePixelSize() const;
    // The text a copy item puts on the clipboard, by the item's caption.
    QString copyText(const QString &item) const;
    QMenu *copyMenu() const { return m_copyMenu; }

signals:
    // The file name was clicked: show the file in its folder.
    void nameClicked();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitName();
    QString fileDateText() const;

    const TAbstractListFichier *m_record = nullptr;
    QString m_format;
    QLabel *m_name;
    QFrame *m_line;
    QLabel *m_datecode, *m_timecode, *m_codec, *m_image, *m_duree, *m_fps, *m_audio1, *m_audio2;
    QLabel *m_decalage, *m_scn, *m_srt;
    QProgressBar *m_progress, *m_volume;
    QMenu *m_copyMenu;
};
